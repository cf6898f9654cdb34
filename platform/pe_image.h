#pragma once
// A program file (PE, 32- or 64-bit) read from its bytes: the section table, and the version
// resource that the system's version functions read. Every offset is checked against the
// bytes, so a damaged or hostile file gives no answer instead of a read outside them.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace kx {

class PeImage {
 public:
  // nullopt when the bytes do not hold whole PE headers with their section table. The image
  // refers to the bytes, which must outlive it.
  static std::optional<PeImage> read(std::string_view file);

  // The largest (pointer to raw data + size of raw data) over the section table.
  uint64_t endOfSections() const;

  // The fixed file version (0.0.0.0 without a valid fixed part) and the first entry of the
  // translation table of the version resource: resource type 16, name 1 (else the first name),
  // its first language. nullopt when there is no such resource.
  std::optional<VersionInformation> versionInformation() const;

 private:
  struct Section {
    uint64_t virtualAddress, rawPointer, rawSize;
  };

  explicit PeImage(std::string_view file) : file_(file) {}
  // The bytes of the section holding a relative virtual address, from that address to the end
  // of the section's data in the file; empty when none holds it.
  std::string_view fromAddress(uint64_t address) const;
  std::optional<std::string_view> resourceData(uint32_t type) const;

  std::string_view file_;
  uint64_t optionalHeader_ = 0;
  uint64_t optionalHeaderSize_ = 0;
  std::vector<Section> sections_;
};

}  // namespace kx
