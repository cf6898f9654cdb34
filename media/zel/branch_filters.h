#pragma once
// Reversible in-place filters of 7z folders: branch converters (x86, PowerPC, IA-64, ARM, ARM
// Thumb, ARM64, SPARC), Delta and byte swapping.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace zel {

class Filter {
 public:
  virtual ~Filter() = default;
  // Decodes the front of `data` in place and answers how many bytes are final; the rest is
  // offered again with more data behind it, and passes unchanged at the end of the stream.
  virtual size_t decode(uint8_t* data, size_t size) = 0;
};

// The filter of a method, or nullptr when the method is not a filter.
std::unique_ptr<Filter> makeFilter(uint64_t methodId, const std::vector<uint8_t>& properties);

}  // namespace zel
