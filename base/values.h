#pragma once
// Value helpers every command shares: truth texts, the engine's integer conversion,
// letter case of A-Z, path helpers.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kx {

inline constexpr std::string_view kTrue = "TRUE";
inline constexpr std::string_view kFalse = "FALSE";

// Upper case of the letters a-z only; every other byte stays as it is.
std::string upperAscii(std::string_view text);
// Sixteen bytes as a GUID in the registry form: "{" 8-4-4-4-12 upper-case hexadecimal digits
// "}", the bytes in the order they are written.
std::string registryGuidText(const uint8_t (&bytes)[16]);
char upperAscii(char c);
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);
bool endsWithIgnoringAsciiCase(std::string_view text, std::string_view end);

// True for "TRUE" in any letter case and for exactly "-1".
bool isTrue(std::string_view text);
std::string truthText(bool value);

// Optional leading blanks, an optional sign, then decimal digits or a hexadecimal number
// introduced by "$", "x", "X", "0x" or "0X"; nothing may follow; it must fit 32 bits.
std::optional<int32_t> tryParseInteger(std::string_view text);
// As tryParseInteger, but a failure is the script error "'%s' is not a valid integer value".
int32_t parseInteger(std::string_view text);

// A variable reference: the name between two "$" with no other "$"; otherwise empty.
std::string referenceName(std::string_view text);
// The variable a parameter line names: the name between "$" signs, or the line itself.
std::string namedVariable(std::string_view line);

using Lines = std::vector<std::string>;
// The lines of a text; each ends at LF, with a CR before it dropped. A final line break starts
// no further line.
Lines splitLines(std::string_view text);
// The lines of a text as the system's string lists read them: they end at CR LF, LF or CR; a
// final line break adds no empty line.
Lines linesOfText(std::string_view text);
// Each line followed by CR LF.
std::string joinLines(const Lines& lines);

// The folder of a path up to and including its last "\" or "/"; empty when it names none.
std::string_view folderPart(std::string_view path);
// What follows the folder part.
std::string_view fileNamePart(std::string_view path);

std::string withTrailingBackslash(std::string_view path);
std::string withoutTrailingBackslash(std::string_view path);
// File name without its folder and without its last extension.
std::string baseName(std::string_view path);

// Replaces every occurrence of `from` (compared ignoring A-Z case when asked) from left to
// right; replaced text is not searched again.
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to,
                       bool ignoreCase);
// Every doubled backslash made single, except one at the very start (a network path).
std::string collapseDoubledBackslashes(std::string_view text);

}  // namespace kx
