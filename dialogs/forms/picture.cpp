#include "dialogs/forms/picture.h"

#include <cstdint>

#include "base/values.h"

namespace kx {
namespace {

PictureKind kindOfClass(std::string_view className) {
  const std::string upper = upperAscii(className);
  if (upper == "TBITMAP") return PictureKind::Bitmap;
  if (upper == "TICON") return PictureKind::Icon;
  if (upper == "TMETAFILE") return PictureKind::Metafile;
  if (upper == "TJPEGIMAGE") return PictureKind::Jpeg;
  if (upper == "TPNGIMAGE" || upper == "TPNGOBJECT") return PictureKind::Png;
  return PictureKind::Other;
}

// Pictures that begin with their format's signature instead of a class name.
std::optional<PictureKind> kindOfSignature(std::string_view data) {
  if (data.starts_with("\x89PNG\r\n\x1A\n")) return PictureKind::Png;
  if (data.starts_with("\xFF\xD8\xFF")) return PictureKind::Jpeg;
  if (data.starts_with("BM")) return PictureKind::Bitmap;
  return std::nullopt;
}

// Bitmaps and JPEG pictures store their size in 32 bits before their data.
std::optional<std::string> sizedData(std::string_view data) {
  if (data.size() < 4) return std::nullopt;
  uint32_t size = 0;
  for (int i = 3; i >= 0; --i)
    size = size << 8 | static_cast<uint8_t>(data[static_cast<size_t>(i)]);
  if (size > data.size() - 4) return std::nullopt;
  return std::string(data.substr(4, size));
}

std::optional<Picture> pictureOfKind(std::string className, PictureKind kind,
                                     std::string_view data) {
  Picture picture{std::move(className), kind, {}};
  if (kind == PictureKind::Bitmap || kind == PictureKind::Jpeg) {
    auto sized = sizedData(data);
    if (!sized) return std::nullopt;
    picture.data = std::move(*sized);
  } else {
    picture.data = std::string(data);
  }
  return picture;
}

}  // namespace

std::optional<Picture> pictureFromBlock(std::string_view block) {
  if (block.empty()) return std::nullopt;
  if (const auto kind = kindOfSignature(block)) return Picture{{}, *kind, std::string(block)};
  const size_t nameLength = static_cast<uint8_t>(block[0]);
  if (nameLength == 0 || nameLength >= block.size()) return std::nullopt;
  std::string className(block.substr(1, nameLength));
  const PictureKind kind = kindOfClass(className);
  return pictureOfKind(std::move(className), kind, block.substr(1 + nameLength));
}

std::optional<Picture> glyphFromBlock(std::string_view block) {
  return pictureOfKind({}, PictureKind::Bitmap, block);
}

}  // namespace kx
