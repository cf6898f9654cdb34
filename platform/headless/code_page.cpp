#include "platform/headless/code_page.h"

#include <iconv.h>
#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <optional>
#include <stdexcept>

namespace kx {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

std::u32string decodeUtf8(std::string_view text) {
  std::u32string codes;
  codes.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int extra = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    bool valid = extra >= 0 && lead < 0xF8 && i + static_cast<size_t>(extra) < text.size();
    char32_t code = !valid ? 0 : extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; valid && k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are not characters.
    static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (valid && (code < kSmallest[static_cast<size_t>(extra)] || code > 0x10FFFF ||
                  (code >= 0xD800 && code < 0xE000)))
      valid = false;
    codes += valid ? code : kReplacement;
    i += valid ? static_cast<size_t>(extra) + 1 : 1;
  }
  return codes;
}

std::string encodeUtf8(std::u32string_view codes) {
  std::string out;
  out.reserve(codes.size());
  for (const char32_t code : codes) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

std::u32string decodeUtf16(std::u16string_view units) {
  std::u32string codes;
  codes.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    const char32_t unit = units[i];
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] < 0xE000) {
      codes += 0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00u);
      ++i;
    } else {
      codes += unit >= 0xD800 && unit < 0xE000 ? kReplacement : unit;  // unpaired surrogate
    }
  }
  return codes;
}

std::u16string encodeUtf16(std::u32string_view codes) {
  std::u16string units;
  units.reserve(codes.size());
  for (const char32_t code : codes) {
    if (code >= 0x10000) {
      units += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      units += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      units += static_cast<char16_t>(code);
    }
  }
  return units;
}

// The character of one byte of a single-byte code page, through the C library's converter;
// nullopt for a byte the code page leaves undefined.
std::optional<char32_t> characterOf(iconv_t converter, unsigned char byte) {
  char in[1] = {static_cast<char>(byte)};
  char out[16];
  char* inPointer = in;
  char* outPointer = out;
  size_t inLeft = 1, outLeft = sizeof out;
  iconv(converter, nullptr, nullptr, nullptr, nullptr);
  if (iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) == static_cast<size_t>(-1) ||
      sizeof out - outLeft != 4)
    return std::nullopt;
  const auto* b = reinterpret_cast<const unsigned char*>(out);
  return static_cast<char32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<char32_t>(b[3]) << 24);
}

}  // namespace

bool CodePage::isSupported(unsigned number) {
  return number == kUtf8 || number == 874 || (number >= 1250 && number <= 1258);
}

CodePage::CodePage(unsigned number) : number_(number) {
  if (!isSupported(number))
    throw std::invalid_argument("unsupported code page " + std::to_string(number));
  if (number == kUtf8) return;
  const std::string name = "CP" + std::to_string(number);
  const iconv_t converter = iconv_open("UTF-32LE", name.c_str());
  if (converter == reinterpret_cast<iconv_t>(-1))
    throw std::invalid_argument("code page " + std::to_string(number) + " is not installed");
  std::vector<std::pair<char32_t, unsigned char>> undefined;
  for (unsigned byte = 0; byte < 256; ++byte) {
    const auto character = byte < 0x80 ? std::optional<char32_t>(byte)
                                       : characterOf(converter, static_cast<unsigned char>(byte));
    // Undefined bytes stand for the control character of the same number, as the system
    // converts them, so every byte survives a round trip.
    characters_[byte] = character.value_or(byte);
    (character ? bytes_ : undefined).emplace_back(characters_[byte], byte);
  }
  iconv_close(converter);
  for (const auto& entry : undefined)
    if (std::none_of(bytes_.begin(), bytes_.end(),
                     [&](const auto& defined) { return defined.first == entry.first; }))
      bytes_.push_back(entry);
  std::sort(bytes_.begin(), bytes_.end());
}

std::u32string CodePage::decode(std::string_view text) const {
  if (number_ == kUtf8) return decodeUtf8(text);
  std::u32string codes(text.size(), U'\0');
  for (size_t i = 0; i < text.size(); ++i)
    codes[i] = characters_[static_cast<unsigned char>(text[i])];
  return codes;
}

std::string CodePage::encode(std::u32string_view codes) const {
  if (number_ == kUtf8) return encodeUtf8(codes);
  std::string text(codes.size(), '?');
  for (size_t i = 0; i < codes.size(); ++i) {
    const auto found = std::lower_bound(bytes_.begin(), bytes_.end(),
                                        std::pair<char32_t, unsigned char>(codes[i], 0));
    if (found != bytes_.end() && found->first == codes[i])
      text[i] = static_cast<char>(found->second);
  }
  return text;
}

std::string CodePage::toUtf8(std::string_view text) const {
  if (number_ == kUtf8) return std::string(text);
  return encodeUtf8(decode(text));
}

std::string CodePage::fromUtf8(std::string_view utf8) const {
  if (number_ == kUtf8) return std::string(utf8);
  return encode(decodeUtf8(utf8));
}

std::u16string CodePage::toUtf16(std::string_view text) const {
  return encodeUtf16(decode(text));
}

std::string CodePage::fromUtf16(std::u16string_view utf16) const {
  return encode(decodeUtf16(utf16));
}

std::string CodePage::toUtf16le(std::string_view text) const {
  const std::u16string units = toUtf16(text);
  std::string bytes;
  bytes.reserve(units.size() * 2);
  for (const char16_t unit : units) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

std::string CodePage::fromUtf16le(std::string_view bytes) const {
  std::u16string units(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i)
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  return fromUtf16(units);
}

char32_t upperCase(char32_t character) {
  // The C library's Unicode tables, independent of the process's own locale.
  static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  if (!unicode) return character >= U'a' && character <= U'z' ? character - 32 : character;
  return static_cast<char32_t>(towupper_l(static_cast<wint_t>(character), unicode));
}

}  // namespace kx
