#include "platform/headless/profile_file.h"

#include <algorithm>
#include <optional>

namespace kx {
namespace {

bool isProfileBlank(char16_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == 0x20;  // ^Z ends old DOS files
}

std::u16string_view trimmed(std::u16string_view text) {
  while (!text.empty() && isProfileBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isProfileBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool sameName(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char16_t x, char16_t y) { return upperCase(x) == upperCase(y); });
}

std::u16string fileText(std::string_view file, const CodePage& codePage) {
  if (file.starts_with("\xEF\xBB\xBF")) return CodePage(CodePage::kUtf8).toUtf16(file.substr(3));
  const bool littleEndian = file.starts_with("\xFF\xFE");
  if (littleEndian || file.starts_with("\xFE\xFF")) {
    std::u16string text((file.size() - 2) / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
      const auto first = static_cast<unsigned char>(file[2 + 2 * i]);
      const auto second = static_cast<unsigned char>(file[3 + 2 * i]);
      text[i] = static_cast<char16_t>(littleEndian ? first | second << 8 : first << 8 | second);
    }
    return text;
  }
  return codePage.toUtf16(file);
}

// The value of the first key named `key` in the first section named `section`; nullopt when
// there is none or the key has no "=".
std::optional<std::u16string_view> findValue(std::u16string_view text, std::u16string_view section,
                                             std::u16string_view key) {
  bool inSection = section.empty();  // keys before the first header have the empty name
  bool sectionSeen = inSection;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = start;
    while (end < text.size() && text[end] != u'\n' && text[end] != u'\r') ++end;
    const std::u16string_view line = trimmed(text.substr(start, end - start));
    while (end < text.size() && (text[end] == u'\n' || text[end] == u'\r')) ++end;
    start = end;
    if (line.empty()) continue;
    const size_t close = line.rfind(u']');
    if (line.front() == u'[' && close != std::u16string_view::npos) {
      if (sectionSeen) return std::nullopt;  // only the first section of the name counts
      inSection = sameName(trimmed(line.substr(1, close - 1)), section);
      sectionSeen = inSection;
      continue;
    }
    if (!inSection) continue;
    const size_t equals = line.find(u'=');
    const std::u16string_view name = trimmed(line.substr(0, equals));
    if (!sameName(name, key)) continue;
    if (equals == std::u16string_view::npos) return std::nullopt;
    return trimmed(line.substr(equals + 1));
  }
  return std::nullopt;
}

}  // namespace

std::string profileString(std::string_view file, const CodePage& codePage, std::string_view section,
                          std::string_view key, size_t bufferSize) {
  if (bufferSize == 0) return {};
  const std::u16string text = fileText(file, codePage);
  const std::u16string sectionName = codePage.toUtf16(section), keyName = codePage.toUtf16(key);
  const auto found = findValue(text, trimmed(sectionName), trimmed(keyName));
  if (!found) return {};
  std::u16string_view value = *found;
  const bool quoted = value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
                      value.back() == value.front();
  if (quoted) value.remove_prefix(1);
  std::u16string copy(value.substr(0, std::min(value.size(), bufferSize - 1)));
  if (quoted && bufferSize >= value.size() && !copy.empty()) copy.pop_back();
  std::string result = codePage.fromUtf16(copy);
  if (result.size() > bufferSize - 1) result.resize(bufferSize - 1);
  return result;
}

}  // namespace kx
