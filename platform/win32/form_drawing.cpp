#include "platform/win32/form_drawing.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

namespace kx {
namespace {

struct NamedColour {
  std::string_view name;
  COLORREF fixed;
  int system;  // GetSysColor index, -1 for a fixed colour
};

constexpr NamedColour kNamedColours[] = {
    {"clBlack", RGB(0, 0, 0), -1},
    {"clMaroon", RGB(128, 0, 0), -1},
    {"clGreen", RGB(0, 128, 0), -1},
    {"clOlive", RGB(128, 128, 0), -1},
    {"clNavy", RGB(0, 0, 128), -1},
    {"clPurple", RGB(128, 0, 128), -1},
    {"clTeal", RGB(0, 128, 128), -1},
    {"clGray", RGB(128, 128, 128), -1},
    {"clSilver", RGB(192, 192, 192), -1},
    {"clRed", RGB(255, 0, 0), -1},
    {"clLime", RGB(0, 255, 0), -1},
    {"clYellow", RGB(255, 255, 0), -1},
    {"clBlue", RGB(0, 0, 255), -1},
    {"clFuchsia", RGB(255, 0, 255), -1},
    {"clAqua", RGB(0, 255, 255), -1},
    {"clWhite", RGB(255, 255, 255), -1},
    {"clLtGray", RGB(192, 192, 192), -1},
    {"clDkGray", RGB(128, 128, 128), -1},
    {"clMoneyGreen", RGB(192, 220, 192), -1},
    {"clSkyBlue", RGB(166, 202, 240), -1},
    {"clCream", RGB(255, 251, 240), -1},
    {"clMedGray", RGB(160, 160, 164), -1},
    {"clScrollBar", 0, COLOR_SCROLLBAR},
    {"clBackground", 0, COLOR_BACKGROUND},
    {"clActiveCaption", 0, COLOR_ACTIVECAPTION},
    {"clInactiveCaption", 0, COLOR_INACTIVECAPTION},
    {"clMenu", 0, COLOR_MENU},
    {"clWindow", 0, COLOR_WINDOW},
    {"clWindowFrame", 0, COLOR_WINDOWFRAME},
    {"clMenuText", 0, COLOR_MENUTEXT},
    {"clWindowText", 0, COLOR_WINDOWTEXT},
    {"clCaptionText", 0, COLOR_CAPTIONTEXT},
    {"clActiveBorder", 0, COLOR_ACTIVEBORDER},
    {"clInactiveBorder", 0, COLOR_INACTIVEBORDER},
    {"clAppWorkSpace", 0, COLOR_APPWORKSPACE},
    {"clHighlight", 0, COLOR_HIGHLIGHT},
    {"clHighlightText", 0, COLOR_HIGHLIGHTTEXT},
    {"clBtnFace", 0, COLOR_BTNFACE},
    {"clBtnShadow", 0, COLOR_BTNSHADOW},
    {"clGrayText", 0, COLOR_GRAYTEXT},
    {"clBtnText", 0, COLOR_BTNTEXT},
    {"clInactiveCaptionText", 0, COLOR_INACTIVECAPTIONTEXT},
    {"clBtnHighlight", 0, COLOR_BTNHIGHLIGHT},
    {"cl3DDkShadow", 0, COLOR_3DDKSHADOW},
    {"cl3DLight", 0, COLOR_3DLIGHT},
    {"clInfoText", 0, COLOR_INFOTEXT},
    {"clInfoBk", 0, COLOR_INFOBK},
    {"clHotLight", 0, COLOR_HOTLIGHT},
    {"clGradientActiveCaption", 0, COLOR_GRADIENTACTIVECAPTION},
    {"clGradientInactiveCaption", 0, COLOR_GRADIENTINACTIVECAPTION},
    {"clMenuHighlight", 0, COLOR_MENUHILIGHT},
    {"clMenuBar", 0, COLOR_MENUBAR},
};

bool sameLetters(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return (x | 0x20) == (y | 0x20);
         });
}

// Decimal ("255", "-16777201"), or hexadecimal written "$FF" or "0xFF".
std::optional<uint32_t> colourNumber(std::string_view text) {
  int base = 10;
  if (text.starts_with('$')) {
    text.remove_prefix(1);
    base = 16;
  } else if (text.starts_with("0x") || text.starts_with("0X")) {
    text.remove_prefix(2);
    base = 16;
  }
  if (text.empty()) return std::nullopt;
  const char* end = text.data() + text.size();
  if (base == 10 && text.front() == '-') {
    int32_t value = 0;
    auto [next, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || next != end) return std::nullopt;
    return static_cast<uint32_t>(value);
  }
  uint32_t value = 0;
  auto [next, error] = std::from_chars(text.data(), end, value, base);
  if (error != std::errc() || next != end) return std::nullopt;
  return value;
}

struct NamedCharset {
  std::string_view name;
  BYTE value;
};

constexpr NamedCharset kCharsets[] = {
    {"ANSI_CHARSET", ANSI_CHARSET},
    {"DEFAULT_CHARSET", DEFAULT_CHARSET},
    {"SYMBOL_CHARSET", SYMBOL_CHARSET},
    {"MAC_CHARSET", MAC_CHARSET},
    {"SHIFTJIS_CHARSET", SHIFTJIS_CHARSET},
    {"HANGEUL_CHARSET", HANGEUL_CHARSET},
    {"JOHAB_CHARSET", JOHAB_CHARSET},
    {"GB2312_CHARSET", GB2312_CHARSET},
    {"CHINESEBIG5_CHARSET", CHINESEBIG5_CHARSET},
    {"GREEK_CHARSET", GREEK_CHARSET},
    {"TURKISH_CHARSET", TURKISH_CHARSET},
    {"HEBREW_CHARSET", HEBREW_CHARSET},
    {"ARABIC_CHARSET", ARABIC_CHARSET},
    {"BALTIC_CHARSET", BALTIC_CHARSET},
    {"RUSSIAN_CHARSET", RUSSIAN_CHARSET},
    {"THAI_CHARSET", THAI_CHARSET},
    {"EASTEUROPE_CHARSET", EASTEUROPE_CHARSET},
    {"OEM_CHARSET", OEM_CHARSET},
    {"VIETNAMESE_CHARSET", VIETNAMESE_CHARSET},
};

BYTE charsetOf(const std::string& text) {
  for (const NamedCharset& charset : kCharsets) {
    if (charset.name == text) return charset.value;
  }
  // A number the definition stored instead of a name.
  const auto number = colourNumber(text);
  return number && *number <= 255 ? static_cast<BYTE>(*number) : DEFAULT_CHARSET;
}

// A 32-bit top-down section and its pixels.
PictureBitmap newSection(int width, int height, uint32_t** pixels) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  PictureBitmap picture;
  picture.bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!picture.bitmap) return picture;
  picture.width = width;
  picture.height = height;
  *pixels = static_cast<uint32_t*>(bits);
  return picture;
}

constexpr int kMaxSide = 1 << 15;

bool fitsLimits(int64_t width, int64_t height) {
  return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
         static_cast<uint64_t>(width * height) <= PictureCodecs::kMaxDecodedPixels;
}

uint32_t premultiplied(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha) {
  const auto scaled = [alpha](uint8_t channel) -> uint32_t {
    return (channel * alpha + 127) / 255;
  };
  return uint32_t{alpha} << 24 | scaled(red) << 16 | scaled(green) << 8 | scaled(blue);
}

std::optional<PictureBitmap> fromDecoded(const DecodedImage& image) {
  if (!fitsLimits(image.width, image.height) ||
      image.rgba.size() != uint64_t{image.width} * image.height * 4) {
    return std::nullopt;
  }
  uint32_t* pixels = nullptr;
  PictureBitmap picture =
      newSection(static_cast<int>(image.width), static_cast<int>(image.height), &pixels);
  if (!picture.bitmap) return std::nullopt;
  for (size_t i = 0; i < size_t{image.width} * image.height; ++i) {
    const uint8_t* p = &image.rgba[i * 4];
    pixels[i] = premultiplied(p[0], p[1], p[2], p[3]);
  }
  GdiFlush();
  return picture;
}

template <typename T>
bool readAt(std::string_view data, size_t offset, T* value) {
  if (offset > data.size() || data.size() - offset < sizeof(T)) return false;
  std::memcpy(value, data.data() + offset, sizeof(T));
  return true;
}

// Bytes of a row of `width` pixels at `bits` per pixel, padded to four bytes.
uint64_t strideOf(int64_t width, int bits) {
  return ((uint64_t(width) * bits + 31) / 32) * 4;
}

// A packed bitmap (header, colour table, pixels) as the system takes it.
struct PackedBitmap {
  std::vector<uint32_t> info;  // header and table, aligned as BITMAPINFO must be
  const char* pixels = nullptr;
  uint64_t pixelBytes = 0;
  int width = 0;
  int height = 0;
  int bitCount = 0;
};

// The packed bitmap at the start of `data`, its pixels at `pixelsAt` when that lies past the
// colour table, else right after it. Icons store the height of colours and mask together.
std::optional<PackedBitmap> readPackedBitmap(std::string_view data, uint64_t pixelsAt, bool icon) {
  BITMAPINFOHEADER header{};
  if (!readAt(data, 0, &header) || header.biSize < sizeof(BITMAPINFOHEADER) ||
      header.biSize > data.size() || header.biPlanes != 1 || (icon && header.biHeight <= 0)) {
    return std::nullopt;
  }
  if (icon) {
    header.biHeight /= 2;
    header.biSizeImage = 0;
  }
  const int64_t width = header.biWidth;
  const int64_t height = header.biHeight < 0 ? -int64_t{header.biHeight} : header.biHeight;
  if (!fitsLimits(width, height)) return std::nullopt;
  uint64_t pixelBytes = 0;
  uint64_t tableEntries = header.biClrUsed;
  switch (header.biBitCount) {
    case 1:
    case 4:
    case 8:
      if (tableEntries == 0) tableEntries = uint64_t{1} << header.biBitCount;
      if (tableEntries > (uint64_t{1} << header.biBitCount)) return std::nullopt;
      break;
    case 16:
    case 24:
    case 32:
      break;
    default:
      return std::nullopt;
  }
  switch (header.biCompression) {
    case BI_RGB:
      pixelBytes = strideOf(width, header.biBitCount) * height;
      break;
    case BI_BITFIELDS:
      if (icon || (header.biBitCount != 16 && header.biBitCount != 32)) return std::nullopt;
      if (header.biSize == sizeof(BITMAPINFOHEADER)) tableEntries = 3;  // the masks
      pixelBytes = strideOf(width, header.biBitCount) * height;
      break;
    case BI_RLE8:
    case BI_RLE4:
      if (icon || header.biBitCount != (header.biCompression == BI_RLE8 ? 8 : 4) ||
          header.biHeight < 0 || header.biSizeImage == 0) {
        return std::nullopt;
      }
      pixelBytes = header.biSizeImage;
      break;
    default:
      return std::nullopt;
  }
  const uint64_t infoBytes = uint64_t{header.biSize} + tableEntries * 4;
  if (pixelsAt < infoBytes) pixelsAt = infoBytes;
  if (infoBytes > data.size() || pixelsAt > data.size() || pixelBytes > data.size() - pixelsAt) {
    return std::nullopt;
  }
  PackedBitmap packed;
  packed.info.resize((infoBytes + 3) / 4);
  std::memcpy(packed.info.data(), data.data(), infoBytes);
  std::memcpy(packed.info.data(), &header, sizeof(header));
  packed.pixels = data.data() + pixelsAt;
  packed.pixelBytes = pixelBytes;
  packed.width = static_cast<int>(width);
  packed.height = static_cast<int>(height);
  packed.bitCount = header.biBitCount;
  return packed;
}

// The system draws the bitmap into a section of our own, so every colour depth and
// compression it knows comes out as 32-bit pixels.
std::optional<PictureBitmap> drawPacked(const PackedBitmap& packed, uint32_t** pixels) {
  PictureBitmap picture = newSection(packed.width, packed.height, pixels);
  if (!picture.bitmap) return std::nullopt;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, picture.bitmap);
  const int drawn = StretchDIBits(
      dc, 0, 0, packed.width, packed.height, 0, 0, packed.width, packed.height, packed.pixels,
      reinterpret_cast<const BITMAPINFO*>(packed.info.data()), DIB_RGB_COLORS, SRCCOPY);
  SelectObject(dc, old);
  DeleteDC(dc);
  if (drawn == 0 || drawn == static_cast<int>(GDI_ERROR)) return std::nullopt;
  GdiFlush();
  return picture;
}

std::optional<PictureBitmap> decodeBitmap(std::string_view data) {
  BITMAPFILEHEADER file{};
  if (!readAt(data, 0, &file) || file.bfType != 0x4D42) return std::nullopt;
  const auto packed =
      readPackedBitmap(data.substr(sizeof(file)),
                       file.bfOffBits > sizeof(file) ? file.bfOffBits - sizeof(file) : 0, false);
  if (!packed) return std::nullopt;
  uint32_t* pixels = nullptr;
  auto picture = drawPacked(*packed, &pixels);
  // Bitmaps are opaque: the fourth byte of 32-bit ones is rarely meant as alpha.
  if (picture) {
    for (size_t i = 0; i < size_t(packed->width) * packed->height; ++i) pixels[i] |= 0xFF000000u;
  }
  return picture;
}

// An icon image: colours, then a 1-bit mask (set where transparent); 32-bit images carry
// alpha in their colours instead.
std::optional<PictureBitmap> decodeIconImage(std::string_view image) {
  const auto packed = readPackedBitmap(image, 0, true);
  if (!packed) return std::nullopt;
  const uint64_t maskStride = strideOf(packed->width, 1);
  const char* mask = packed->pixels + packed->pixelBytes;
  const bool hasMask = uint64_t(image.data() + image.size() - mask) >= maskStride * packed->height;
  uint32_t* pixels = nullptr;
  auto picture = drawPacked(*packed, &pixels);
  if (!picture) return std::nullopt;
  // Alpha read from the file's own pixels (rows bottom-up), whatever the drawing kept of it.
  const auto alphaAt = [&](int x, int y) {
    return static_cast<uint8_t>(
        packed->pixels[(uint64_t(packed->height - 1 - y) * packed->width + x) * 4 + 3]);
  };
  bool hasAlpha = false;
  for (int y = 0; packed->bitCount == 32 && y < packed->height && !hasAlpha; ++y) {
    for (int x = 0; x < packed->width && !hasAlpha; ++x) hasAlpha = alphaAt(x, y) != 0;
  }
  for (int y = 0; y < packed->height; ++y) {
    const char* maskRow = mask + (packed->height - 1 - y) * maskStride;
    for (int x = 0; x < packed->width; ++x) {
      uint32_t& p = pixels[size_t(y) * packed->width + x];
      if (hasAlpha) {
        p = premultiplied(p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF, alphaAt(x, y));
      } else if (hasMask && (maskRow[x / 8] >> (7 - x % 8) & 1)) {
        p = 0;
      } else {
        p |= 0xFF000000u;
      }
    }
  }
  GdiFlush();
  return picture;
}

#pragma pack(push, 1)
struct IconDirectory {
  WORD reserved;
  WORD type;
  WORD count;
};
struct IconEntry {
  BYTE width;
  BYTE height;
  BYTE colours;
  BYTE reserved;
  WORD planes;
  WORD bitCount;
  DWORD bytes;
  DWORD offset;
};
#pragma pack(pop)

constexpr std::string_view kPngSignature = "\x89PNG\r\n\x1A\n";

// The largest (then deepest) image of an ICO file.
std::optional<PictureBitmap> decodeIcon(std::string_view data, PictureCodecs& codecs) {
  IconDirectory directory{};
  if (!readAt(data, 0, &directory) || directory.reserved != 0 || directory.type != 1 ||
      directory.count == 0) {
    return std::nullopt;
  }
  std::optional<IconEntry> best;
  for (size_t i = 0; i < directory.count; ++i) {
    IconEntry entry{};
    if (!readAt(data, sizeof(directory) + i * sizeof(entry), &entry)) return std::nullopt;
    if (entry.offset > data.size() || entry.bytes > data.size() - entry.offset) continue;
    const auto side = [](BYTE b) { return b == 0 ? 256 : int{b}; };
    if (!best || std::pair(side(entry.width) * side(entry.height), int{entry.bitCount}) >
                     std::pair(side(best->width) * side(best->height), int{best->bitCount})) {
      best = entry;
    }
  }
  if (!best) return std::nullopt;
  const std::string_view image = data.substr(best->offset, best->bytes);
  if (image.starts_with(kPngSignature)) {
    const auto decoded = codecs.decodePng(std::string(image));
    return decoded ? fromDecoded(*decoded) : std::nullopt;
  }
  return decodeIconImage(image);
}

// One axis of a resampling: for each target pixel, the source pixels and their weights
// (fixed point, summing to 1 << 14). Shrinking averages the covered area; enlarging
// interpolates linearly between the nearest two.
struct Tap {
  int first = 0;
  std::vector<int> weights;
};

std::vector<Tap> axisTaps(int source, int target) {
  constexpr int kOne = 1 << 14;
  std::vector<Tap> taps(target);
  const double ratio = double(source) / target;
  for (int t = 0; t < target; ++t) {
    Tap& tap = taps[t];
    std::vector<double> weights;
    if (ratio > 1.0) {
      const double from = t * ratio;
      const double to = from + ratio;
      tap.first = static_cast<int>(std::floor(from));
      for (int s = tap.first; s < source && s < to; ++s) {
        weights.push_back(std::min<double>(s + 1, to) - std::max<double>(s, from));
      }
    } else {
      const double centre = std::clamp((t + 0.5) * ratio - 0.5, 0.0, double(source - 1));
      tap.first = static_cast<int>(std::floor(centre));
      const double fraction = centre - tap.first;
      weights.push_back(1.0 - fraction);
      if (tap.first + 1 < source) weights.push_back(fraction);
    }
    double sum = 0;
    for (double w : weights) sum += w;
    int given = 0;
    for (double w : weights) {
      tap.weights.push_back(static_cast<int>(std::lround(w / sum * kOne)));
      given += tap.weights.back();
    }
    tap.weights.front() += kOne - given;  // rounding goes to the first pixel
  }
  return taps;
}

// Premultiplied pixels resampled to width x height, one axis after the other.
std::vector<uint32_t> resample(const uint32_t* source, int width, int height, int toWidth,
                               int toHeight) {
  const std::vector<Tap> across = axisTaps(width, toWidth);
  const std::vector<Tap> down = axisTaps(height, toHeight);
  const auto channel = [](uint32_t p, int c) { return int(p >> (c * 8) & 0xFF); };
  const auto pack = [](const std::array<int64_t, 4>& sums, int shift) {
    uint32_t p = 0;
    for (int c = 0; c < 4; ++c) {
      const int64_t v = (sums[c] + (int64_t{1} << (shift - 1))) >> shift;
      p |= uint32_t(std::clamp<int64_t>(v, 0, 255)) << (c * 8);
    }
    return p;
  };
  std::vector<uint32_t> rows(size_t(toWidth) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < toWidth; ++x) {
      std::array<int64_t, 4> sums{};
      const Tap& tap = across[x];
      for (size_t k = 0; k < tap.weights.size(); ++k) {
        const uint32_t p = source[size_t(y) * width + tap.first + k];
        for (int c = 0; c < 4; ++c) sums[c] += int64_t{channel(p, c)} * tap.weights[k];
      }
      rows[size_t(y) * toWidth + x] = pack(sums, 14);
    }
  }
  std::vector<uint32_t> result(size_t(toWidth) * toHeight);
  for (int y = 0; y < toHeight; ++y) {
    const Tap& tap = down[y];
    for (int x = 0; x < toWidth; ++x) {
      std::array<int64_t, 4> sums{};
      for (size_t k = 0; k < tap.weights.size(); ++k) {
        const uint32_t p = rows[(tap.first + k) * toWidth + x];
        for (int c = 0; c < 4; ++c) sums[c] += int64_t{channel(p, c)} * tap.weights[k];
      }
      result[size_t(y) * toWidth + x] = pack(sums, 14);
    }
  }
  return result;
}

void blend(HDC dc, HBITMAP bitmap, int width, int height, const RECT& target) {
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(source, bitmap);
  const BLENDFUNCTION function{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  // gdi32's own blend: the engine imports nothing from msimg32.
  GdiAlphaBlend(dc, target.left, target.top, width, height, source, 0, 0, width, height, function);
  SelectObject(source, old);
  DeleteDC(source);
}

}  // namespace

int FormScale::operator()(int designPixels) const {
  if (designDpi <= 0 || designDpi == screenDpi) return designPixels;
  return MulDiv(designPixels, screenDpi, designDpi);
}

HFONT createFont(const PropertyHolder& holder, const FormScale& scale) {
  LOGFONTA font{};
  const int32_t height = holder.integer("Font.Height");
  if (height != 0) {
    // Negative: the characters' height; positive: the cell's, as the font mapper takes them.
    font.lfHeight = height < 0 ? -scale(-height) : scale(height);
  } else {
    font.lfHeight = -scale(MulDiv(holder.integer("Font.Size"), scale.designDpi, 72));
  }
  const std::string style = holder.text("Font.Style");
  font.lfWeight = style.find("fsBold") != std::string::npos ? FW_BOLD : FW_NORMAL;
  font.lfItalic = style.find("fsItalic") != std::string::npos;
  font.lfUnderline = style.find("fsUnderline") != std::string::npos;
  font.lfStrikeOut = style.find("fsStrikeOut") != std::string::npos;
  font.lfCharSet = charsetOf(holder.text("Font.Charset"));
  font.lfOutPrecision = OUT_DEFAULT_PRECIS;
  font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  font.lfQuality = DEFAULT_QUALITY;
  const std::string pitch = holder.text("Font.Pitch");
  font.lfPitchAndFamily = pitch == "fpFixed"      ? FIXED_PITCH
                          : pitch == "fpVariable" ? VARIABLE_PITCH
                                                  : DEFAULT_PITCH;
  const std::string name = holder.text("Font.Name");
  lstrcpynA(font.lfFaceName, name.c_str(), LF_FACESIZE);
  return CreateFontIndirectA(&font);
}

COLORREF fontColour(const PropertyHolder& holder) {
  return colourFromText(holder.text("Font.Color"), GetSysColor(COLOR_WINDOWTEXT));
}

COLORREF colourFromText(std::string_view text, COLORREF fallback) {
  for (const NamedColour& colour : kNamedColours) {
    if (sameLetters(colour.name, text)) {
      return colour.system < 0 ? colour.fixed : GetSysColor(colour.system);
    }
  }
  const auto number = colourNumber(text);
  if (!number) return fallback;  // clNone, clDefault and anything unknown
  const uint32_t high = *number >> 24;
  if (high == 0xFF || high == 0x80) {
    const int index = static_cast<int>(*number & 0xFF);
    return index <= COLOR_MENUBAR ? GetSysColor(index) : fallback;
  }
  if (high != 0) return fallback;
  return *number;
}

PictureBitmap::PictureBitmap(PictureBitmap&& other) noexcept
    : bitmap(std::exchange(other.bitmap, nullptr)), width(other.width), height(other.height) {}

PictureBitmap& PictureBitmap::operator=(PictureBitmap&& other) noexcept {
  if (this != &other) {
    if (bitmap) DeleteObject(bitmap);
    bitmap = std::exchange(other.bitmap, nullptr);
    width = other.width;
    height = other.height;
  }
  return *this;
}

PictureBitmap::~PictureBitmap() {
  if (bitmap) DeleteObject(bitmap);
}

std::optional<PictureBitmap> decodePicture(const Picture& picture, PictureCodecs& codecs) {
  switch (picture.kind) {
    case PictureKind::Bitmap:
      return decodeBitmap(picture.data);
    case PictureKind::Icon:
      return decodeIcon(picture.data, codecs);
    case PictureKind::Png:
    case PictureKind::Jpeg: {
      const auto decoded = picture.kind == PictureKind::Png ? codecs.decodePng(picture.data)
                                                            : codecs.decodeJpeg(picture.data);
      return decoded ? fromDecoded(*decoded) : std::nullopt;
    }
    case PictureKind::Metafile:
    case PictureKind::Other:
      break;
  }
  return std::nullopt;
}

void drawPicture(HDC dc, const PictureBitmap& picture, const RECT& target) {
  const int width = target.right - target.left;
  const int height = target.bottom - target.top;
  if (!picture.bitmap || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
    return;
  }
  if (width == picture.width && height == picture.height) {
    blend(dc, picture.bitmap, width, height, target);
    return;
  }
  DIBSECTION section{};
  if (GetObject(picture.bitmap, sizeof(section), &section) != sizeof(section)) return;
  GdiFlush();
  const std::vector<uint32_t> scaled = resample(static_cast<const uint32_t*>(section.dsBm.bmBits),
                                                picture.width, picture.height, width, height);
  uint32_t* pixels = nullptr;
  PictureBitmap stretched = newSection(width, height, &pixels);
  if (!stretched.bitmap) return;
  std::copy(scaled.begin(), scaled.end(), pixels);
  GdiFlush();
  blend(dc, stretched.bitmap, width, height, target);
}

}  // namespace kx
