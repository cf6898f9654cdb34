#include "platform/pe_image.h"

#include <algorithm>

namespace kx {
namespace {

constexpr uint64_t kNewHeaderOffsetField = 0x3C;
constexpr uint64_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr uint64_t kFileHeaderSize = 20;
constexpr uint64_t kSectionHeaderSize = 40;
constexpr uint64_t kSectionCountField = 2;         // within the file header
constexpr uint64_t kOptionalHeaderSizeField = 16;  // within the file header
constexpr uint64_t kVirtualAddressField = 12;      // within a section header
constexpr uint64_t kRawSizeField = 16;
constexpr uint64_t kRawPointerField = 20;
constexpr uint64_t kMagic32 = 0x10B;
constexpr uint64_t kMagic64 = 0x20B;
constexpr unsigned kResourceDirectory = 2;
constexpr uint32_t kVersionResource = 16;
constexpr uint32_t kVersionInfoName = 1;
constexpr uint32_t kHighBit = 0x80000000u;
constexpr uint64_t kFixedSignature = 0xFEEF04BD;
constexpr uint64_t kFixedInfoSize = 52;

// Little-endian field of `size` bytes at `offset`; nullopt when it lies beyond the bytes.
std::optional<uint64_t> field(std::string_view bytes, uint64_t offset, unsigned size) {
  if (offset > bytes.size() || bytes.size() - offset < size) return std::nullopt;
  uint64_t value = 0;
  for (unsigned i = 0; i < size; ++i)
    value |= static_cast<uint64_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
  return value;
}

uint64_t alignedTo4(uint64_t offset) {
  return (offset + 3) & ~uint64_t{3};
}

// One block of a version resource: length, value length, type, key (UTF-16, NUL-terminated),
// value and child blocks, each part starting on a 4-byte boundary of the resource.
struct VersionBlock {
  std::u16string key;
  std::string_view value;
  uint64_t childrenStart = 0, end = 0;
};

std::optional<VersionBlock> versionBlock(std::string_view resource, uint64_t start) {
  const auto length = field(resource, start, 2);
  const auto valueLength = field(resource, start + 2, 2);
  const auto type = field(resource, start + 4, 2);
  if (!length || !valueLength || !type || *length < 6 || start + *length > resource.size())
    return std::nullopt;
  VersionBlock block;
  block.end = start + *length;
  uint64_t at = start + 6;
  for (;; at += 2) {
    const auto unit = at + 2 <= block.end ? field(resource, at, 2) : std::nullopt;
    if (!unit) return std::nullopt;
    if (*unit == 0) break;
    block.key += static_cast<char16_t>(*unit);
  }
  const uint64_t valueStart = alignedTo4(at + 2);
  const uint64_t valueSize = *type == 1 ? *valueLength * 2 : *valueLength;  // 1: text, in units
  if (valueStart <= block.end && block.end - valueStart >= valueSize)
    block.value = resource.substr(valueStart, valueSize);
  block.childrenStart = std::min(alignedTo4(valueStart + valueSize), block.end);
  return block;
}

bool keyIs(const std::u16string& key, std::string_view name) {
  return key.size() == name.size() &&
         std::equal(key.begin(), key.end(), name.begin(), [](char16_t k, char n) {
           const char16_t upper = k >= u'a' && k <= u'z' ? k - 32 : k;
           return upper == static_cast<char16_t>(n >= 'a' && n <= 'z' ? n - 32 : n);
         });
}

// The first child block of `parent` with the key, ignoring case.
std::optional<VersionBlock> child(std::string_view resource, const VersionBlock& parent,
                                  std::string_view key) {
  uint64_t at = parent.childrenStart;
  while (at < parent.end) {
    const auto block = versionBlock(resource, at);
    if (!block || block->end > parent.end) return std::nullopt;
    if (keyIs(block->key, key)) return block;
    at = alignedTo4(block->end);
  }
  return std::nullopt;
}

struct DirectoryEntry {
  uint32_t name, offset;
};

// The entries of a resource directory at `offset` of the resource section.
std::vector<DirectoryEntry> directoryEntries(std::string_view resources, uint64_t offset) {
  std::vector<DirectoryEntry> entries;
  const auto named = field(resources, offset + 12, 2);
  const auto numbered = field(resources, offset + 14, 2);
  if (!named || !numbered) return entries;
  for (uint64_t k = 0; k < *named + *numbered; ++k) {
    const auto name = field(resources, offset + 16 + 8 * k, 4);
    const auto target = field(resources, offset + 20 + 8 * k, 4);
    if (!name || !target) break;
    entries.push_back({static_cast<uint32_t>(*name), static_cast<uint32_t>(*target)});
  }
  return entries;
}

}  // namespace

std::optional<PeImage> PeImage::read(std::string_view file) {
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

  PeImage image(file);
  image.optionalHeader_ = fileHeader + kFileHeaderSize;
  image.optionalHeaderSize_ = *optionalHeaderSize;
  for (uint64_t k = 0; k < *sectionCount; ++k) {
    const uint64_t header = sectionTable + k * kSectionHeaderSize;
    image.sections_.push_back({*field(file, header + kVirtualAddressField, 4),
                               *field(file, header + kRawPointerField, 4),
                               *field(file, header + kRawSizeField, 4)});
  }
  return image;
}

uint64_t PeImage::endOfSections() const {
  uint64_t end = 0;
  for (const auto& section : sections_) end = std::max(end, section.rawPointer + section.rawSize);
  return end;
}

std::string_view PeImage::fromAddress(uint64_t address) const {
  for (const auto& section : sections_) {
    if (address < section.virtualAddress || address - section.virtualAddress >= section.rawSize)
      continue;
    const uint64_t start = section.rawPointer + (address - section.virtualAddress);
    const uint64_t end = std::min<uint64_t>(section.rawPointer + section.rawSize, file_.size());
    if (start < end) return file_.substr(start, end - start);
  }
  return {};
}

// The data of the resource of a type: name 1 or else the first name, its first language.
std::optional<std::string_view> PeImage::resourceData(uint32_t type) const {
  const auto magic = field(file_, optionalHeader_, 2);
  if (magic != kMagic32 && magic != kMagic64) return std::nullopt;
  const uint64_t directories = optionalHeader_ + (magic == kMagic32 ? 96 : 112);
  const auto directoryCount = field(file_, directories - 4, 4);
  const uint64_t entry = directories + 8 * kResourceDirectory;
  if (!directoryCount || *directoryCount <= kResourceDirectory ||
      entry + 8 > optionalHeader_ + optionalHeaderSize_)
    return std::nullopt;
  const auto address = field(file_, entry, 4);
  if (!address || *address == 0) return std::nullopt;
  const std::string_view resources = fromAddress(*address);

  // Three levels: type, name, language; only the last leads to data.
  const auto subdirectory = [](const DirectoryEntry& e) { return (e.offset & kHighBit) != 0; };
  const auto types = directoryEntries(resources, 0);
  const auto typeEntry = std::find_if(types.begin(), types.end(), [&](const DirectoryEntry& e) {
    return e.name == type && subdirectory(e);
  });
  if (typeEntry == types.end()) return std::nullopt;
  auto names = directoryEntries(resources, typeEntry->offset & ~kHighBit);
  std::erase_if(names, [&](const DirectoryEntry& e) { return !subdirectory(e); });
  if (names.empty()) return std::nullopt;
  auto nameEntry = std::find_if(names.begin(), names.end(),
                                [](const DirectoryEntry& e) { return e.name == kVersionInfoName; });
  if (nameEntry == names.end()) nameEntry = names.begin();
  const auto languages = directoryEntries(resources, nameEntry->offset & ~kHighBit);
  if (languages.empty() || subdirectory(languages.front())) return std::nullopt;
  const uint64_t dataEntry = languages.front().offset;
  const auto dataAddress = field(resources, dataEntry, 4);
  const auto dataSize = field(resources, dataEntry + 4, 4);
  if (!dataAddress || !dataSize) return std::nullopt;
  const std::string_view data = fromAddress(*dataAddress);
  if (data.size() < *dataSize) return std::nullopt;
  return data.substr(0, *dataSize);
}

std::optional<VersionInformation> PeImage::versionInformation() const {
  const auto resource = resourceData(kVersionResource);
  if (!resource) return std::nullopt;
  const auto root = versionBlock(*resource, 0);
  if (!root) return std::nullopt;
  VersionInformation information;
  const std::string_view fixed = root->value;
  if (fixed.size() >= kFixedInfoSize && field(fixed, 0, 4) == kFixedSignature) {
    const uint64_t most = *field(fixed, 8, 4), least = *field(fixed, 12, 4);
    information.fileVersion = {static_cast<uint16_t>(most >> 16), static_cast<uint16_t>(most),
                               static_cast<uint16_t>(least >> 16), static_cast<uint16_t>(least)};
  }
  const auto variables = child(*resource, *root, "VarFileInfo");
  const auto translation = variables ? child(*resource, *variables, "Translation") : std::nullopt;
  if (translation && translation->value.size() >= 4)
    information.firstTranslation = static_cast<uint32_t>(*field(translation->value, 0, 4));
  return information;
}

}  // namespace kx
