// The trailing-data reader on arbitrary bytes: it never reads outside them, and what it returns
// is exactly the part of the file after the end of the sections.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "startup/trailing_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  const std::string_view trailing = kx::trailingData(file);
  if (trailing.empty()) return 0;
  const auto end = kx::endOfSections(file);
  if (!end || *end + trailing.size() != size || trailing.data() != file.data() + *end) std::abort();
  return 0;
}
