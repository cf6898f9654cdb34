#include "startup/trailing_data.h"

#include "platform/pe_image.h"

namespace kx {

std::optional<uint64_t> endOfSections(std::string_view file) {
  const auto image = PeImage::read(file);
  if (!image) return std::nullopt;
  return image->endOfSections();
}

std::string_view trailingData(std::string_view file) {
  const auto end = endOfSections(file);
  if (!end || *end >= file.size()) return {};
  return file.substr(*end);
}

}  // namespace kx
