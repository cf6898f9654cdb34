#include "base/values.h"

#include <climits>

#include "base/script_error.h"

namespace kx {

char upperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string upperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = upperAscii(c);
  return out;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (upperAscii(a[i]) != upperAscii(b[i])) return false;
  return true;
}

bool endsWithIgnoringAsciiCase(std::string_view text, std::string_view end) {
  return text.size() >= end.size() &&
         equalsIgnoringAsciiCase(text.substr(text.size() - end.size()), end);
}

bool isTrue(std::string_view text) {
  return text == "-1" || equalsIgnoringAsciiCase(text, kTrue);
}

std::string truthText(bool value) {
  return std::string(value ? kTrue : kFalse);
}

std::optional<int32_t> tryParseInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  bool hex = false;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i == text.size()) return std::nullopt;
  uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    magnitude = magnitude * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
    if (magnitude > 0xFFFFFFFFull) return std::nullopt;
  }
  if (hex) {
    // A hexadecimal number names the 32 bits themselves: "$FFFFFFFF" is -1.
    const auto bits = static_cast<int32_t>(static_cast<uint32_t>(magnitude));
    return negative ? static_cast<int32_t>(0u - static_cast<uint32_t>(bits)) : bits;
  }
  if (negative) {
    if (magnitude > static_cast<uint64_t>(INT32_MAX) + 1) return std::nullopt;
    return static_cast<int32_t>(-static_cast<int64_t>(magnitude));
  }
  if (magnitude > static_cast<uint64_t>(INT32_MAX)) return std::nullopt;
  return static_cast<int32_t>(magnitude);
}

int32_t parseInteger(std::string_view text) {
  if (auto value = tryParseInteger(text)) return *value;
  throw ScriptError("'" + std::string(text) + "' is not a valid integer value");
}

std::string referenceName(std::string_view text) {
  if (text.size() < 3 || text.front() != '$' || text.back() != '$') return {};
  std::string_view inner = text.substr(1, text.size() - 2);
  if (inner.find('$') != std::string_view::npos) return {};
  return std::string(inner);
}

Lines linesOfText(std::string_view text) {
  Lines lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return lines;
}

std::string joinLines(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::string namedVariable(std::string_view line) {
  std::string name = referenceName(line);
  return name.empty() ? std::string(line) : name;
}

Lines splitLines(std::string_view text) {
  Lines lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t lf = text.find('\n', pos);
    if (lf == std::string_view::npos) lf = text.size();
    std::string_view line = text.substr(pos, lf - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    pos = lf + 1;
  }
  return lines;
}

std::string_view folderPart(std::string_view path) {
  const size_t separator = path.find_last_of("\\/");
  return separator == std::string_view::npos ? std::string_view() : path.substr(0, separator + 1);
}

std::string_view fileNamePart(std::string_view path) {
  return path.substr(folderPart(path).size());
}

std::string withTrailingBackslash(std::string_view path) {
  std::string out(path);
  if (!out.empty() && out.back() != '\\') out += '\\';
  return out;
}

std::string withoutTrailingBackslash(std::string_view path) {
  std::string out(path);
  if (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

std::string baseName(std::string_view path) {
  const size_t slash = path.find_last_of("\\/:");
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to,
                       bool ignoreCase) {
  if (from.empty()) return std::string(text);
  // Case-insensitive search runs over upper-case copies; positions are the same in both.
  const std::string upperText = ignoreCase ? upperAscii(text) : std::string();
  const std::string upperFrom = ignoreCase ? upperAscii(from) : std::string();
  const std::string_view haystack = ignoreCase ? std::string_view(upperText) : text;
  const std::string_view needle = ignoreCase ? std::string_view(upperFrom) : from;
  std::string out;
  size_t start = 0;
  for (size_t found; (found = haystack.find(needle, start)) != std::string_view::npos;
       start = found + needle.size()) {
    out.append(text.substr(start, found - start));
    out.append(to);
  }
  out.append(text.substr(start));
  return out;
}

std::string collapseDoubledBackslashes(std::string_view text) {
  std::string out = replaceAll(text, "\\\\", "\\", false);
  if (text.starts_with("\\\\")) out.insert(out.begin(), '\\');
  return out;
}

std::string registryGuidText(const uint8_t (&bytes)[16]) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text = "{";
  for (size_t i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0F];
  }
  return text + "}";
}

}  // namespace kx
