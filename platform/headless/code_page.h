#pragma once
// The Windows code page of a headless run's texts. Scripts, registry files and INI files hold
// 8-bit text in the Windows ANSI code page; the host spells names and the environment in UTF-8.
// Texts are converted only where they meet the host, with the same results as the system's
// own conversion: a character the code page lacks becomes '?'.
#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kx {

class CodePage {
 public:
  static constexpr unsigned kWindowsLatin1 = 1252;
  static constexpr unsigned kUtf8 = 65001;

  // The single-byte Windows code pages (874, 1250 to 1258) and 65001, UTF-8 passed through;
  // anything else throws std::invalid_argument.
  explicit CodePage(unsigned number = kWindowsLatin1);
  static bool isSupported(unsigned number);
  unsigned number() const { return number_; }

  std::string toUtf8(std::string_view text) const;
  std::string fromUtf8(std::string_view utf8) const;  // bytes that are not UTF-8 become '?'
  std::u16string toUtf16(std::string_view text) const;
  std::string fromUtf16(std::u16string_view utf16) const;
  // UTF-16 as little-endian bytes, without a byte-order mark; an odd last byte is ignored.
  std::string toUtf16le(std::string_view text) const;
  std::string fromUtf16le(std::string_view bytes) const;

 private:
  unsigned number_;
  std::array<char16_t, 256> characters_{};                 // by byte
  std::vector<std::pair<char16_t, unsigned char>> bytes_;  // by character, sorted
};

// Unicode upper case of a character, as the system compares names ignoring case.
// UTF-16 code units from little-endian bytes (an odd last byte is ignored), and back.
std::u16string unitsOfLittleEndian(std::string_view bytes);
std::string littleEndianOfUnits(std::u16string_view units);

char32_t upperCase(char32_t character);

}  // namespace kx
