#pragma once
// Pictures stored in definitions. A picture property's block ("Picture.Data") names the
// picture's class as a short string before the graphic's own data; a glyph's block
// ("Glyph.Data") is a bitmap's data without the class name.
#include <optional>
#include <string>
#include <string_view>

namespace kx {

enum class PictureKind { Bitmap, Icon, Metafile, Jpeg, Png, Other };

struct Picture {
  std::string className;  // as the block names it; empty for a glyph
  PictureKind kind = PictureKind::Other;
  // The graphic in its own file format: a BMP or ICO file, a metafile, a JPEG or PNG stream.
  std::string data;
};

// The picture in a picture property's block; none when the block is empty or malformed.
std::optional<Picture> pictureFromBlock(std::string_view block);
// The bitmap in a glyph's block; none when the block is empty or malformed.
std::optional<Picture> glyphFromBlock(std::string_view block);

}  // namespace kx
