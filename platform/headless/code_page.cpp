#include "platform/headless/code_page.h"

#include <iconv.h>
#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <optional>
#include <stdexcept>

#include "media/zel/support.h"

namespace kx {
namespace {

// The character of one byte of a single-byte code page, through the C library's converter;
// nullopt for a byte the code page leaves undefined.
std::optional<char16_t> characterOf(iconv_t converter, unsigned char byte) {
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
  // The single-byte code pages hold characters of the basic plane only.
  if (b[2] != 0 || b[3] != 0) return std::nullopt;
  return static_cast<char16_t>(b[0] | b[1] << 8);
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
  std::vector<std::pair<char16_t, unsigned char>> undefined;
  for (unsigned byte = 0; byte < 256; ++byte) {
    const auto character = byte < 0x80 ? std::optional<char16_t>(byte)
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

std::u16string CodePage::toUtf16(std::string_view text) const {
  if (number_ == kUtf8) return zel::wideText(std::string(text));
  std::u16string units(text.size(), u'\0');
  for (size_t i = 0; i < text.size(); ++i)
    units[i] = characters_[static_cast<unsigned char>(text[i])];
  return units;
}

std::string CodePage::fromUtf16(std::u16string_view units) const {
  if (number_ == kUtf8) return zel::narrowText(std::u16string(units));
  std::string text;
  text.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    const char16_t unit = units[i];
    const auto found =
        std::lower_bound(bytes_.begin(), bytes_.end(), std::pair<char16_t, unsigned char>(unit, 0));
    text += found != bytes_.end() && found->first == unit ? static_cast<char>(found->second) : '?';
    // A character beyond the basic plane is one '?'.
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] < 0xE000)
      ++i;
  }
  return text;
}

std::string CodePage::toUtf8(std::string_view text) const {
  if (number_ == kUtf8) return std::string(text);
  return zel::narrowText(toUtf16(text));
}

std::string CodePage::fromUtf8(std::string_view utf8) const {
  if (number_ == kUtf8) return std::string(utf8);
  return fromUtf16(zel::wideText(std::string(utf8)));
}

std::string CodePage::toUtf16le(std::string_view text) const {
  return littleEndianOfUnits(toUtf16(text));
}

std::string CodePage::fromUtf16le(std::string_view bytes) const {
  return fromUtf16(unitsOfLittleEndian(bytes));
}

std::u16string unitsOfLittleEndian(std::string_view bytes) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i)
    units[i] = static_cast<char16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                     static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
  return units;
}

std::string littleEndianOfUnits(std::u16string_view units) {
  std::string bytes;
  bytes.reserve(units.size() * 2);
  for (const char16_t unit : units) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

char32_t upperCase(char32_t character) {
  // The C library's Unicode tables, independent of the process's own locale.
  static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  if (!unicode) return character >= U'a' && character <= U'z' ? character - 32 : character;
  return static_cast<char32_t>(towupper_l(static_cast<wint_t>(character), unicode));
}

}  // namespace kx
