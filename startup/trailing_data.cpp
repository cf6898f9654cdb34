#include "startup/trailing_data.h"

namespace kx {
namespace {

constexpr uint64_t kNewHeaderOffsetField = 0x3C;
constexpr uint64_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr uint64_t kFileHeaderSize = 20;
constexpr uint64_t kSectionHeaderSize = 40;
constexpr uint64_t kSectionCountField = 2;         // within the file header
constexpr uint64_t kOptionalHeaderSizeField = 16;  // within the file header
constexpr uint64_t kRawSizeField = 16;             // within a section header
constexpr uint64_t kRawPointerField = 20;          // within a section header

// Little-endian field of `size` bytes at `offset`; nullopt when it lies beyond the bytes.
std::optional<uint64_t> field(std::string_view bytes, uint64_t offset, unsigned size) {
  if (offset > bytes.size() || bytes.size() - offset < size) return std::nullopt;
  uint64_t value = 0;
  for (unsigned i = 0; i < size; ++i)
    value |= static_cast<uint64_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
  return value;
}

}  // namespace

std::optional<uint64_t> endOfSections(std::string_view file) {
  if (!file.starts_with("MZ")) return std::nullopt;
  const auto peOffset = field(file, kNewHeaderOffsetField, 4);
  const auto signature = peOffset ? field(file, *peOffset, 4) : std::nullopt;
  if (signature != kPeSignature) return std::nullopt;
  const uint64_t fileHeader = *peOffset + 4;
  const auto sectionCount = field(file, fileHeader + kSectionCountField, 2);
  const auto optionalHeaderSize = field(file, fileHeader + kOptionalHeaderSizeField, 2);
  if (!sectionCount || !optionalHeaderSize) return std::nullopt;
  const uint64_t sectionTable = fileHeader + kFileHeaderSize + *optionalHeaderSize;
  if (sectionTable + *sectionCount * kSectionHeaderSize > file.size()) return std::nullopt;

  uint64_t end = 0;
  for (uint64_t k = 0; k < *sectionCount; ++k) {
    const uint64_t header = sectionTable + k * kSectionHeaderSize;
    const uint64_t sectionEnd =
        *field(file, header + kRawPointerField, 4) + *field(file, header + kRawSizeField, 4);
    if (sectionEnd > end) end = sectionEnd;
  }
  return end;
}

std::string_view trailingData(std::string_view file) {
  const auto end = endOfSections(file);
  if (!end || *end >= file.size()) return {};
  return file.substr(*end);
}

}  // namespace kx
