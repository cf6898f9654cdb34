#include "base/comma_text.h"

namespace kx {
namespace {

bool isBlankOrControl(char c) {
  const auto code = static_cast<unsigned char>(c);
  return code >= 1 && code <= 32;
}

bool needsQuotes(std::string_view item, char delimiter) {
  for (char c : item)
    if (static_cast<unsigned char>(c) <= 32 || c == '"' || c == delimiter) return true;
  return false;
}

char upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

std::string writeCommaText(const std::vector<std::string>& items) {
  return writeDelimitedText(items, ',');
}

std::string writeDelimitedText(const std::vector<std::string>& items, char delimiter) {
  if (items.size() == 1 && items[0].empty()) return "\"\"";
  size_t size = items.size();
  for (const std::string& item : items) size += item.size();
  std::string out;
  out.reserve(size);
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += delimiter;
    const std::string& item = items[i];
    if (!needsQuotes(item, delimiter)) {
      out += item;
      continue;
    }
    out += '"';
    for (char c : item) {
      if (c == '"') out += '"';
      out += c;
    }
    out += '"';
  }
  return out;
}

std::vector<std::string> readCommaText(std::string_view text) {
  // A NUL outside quotes ends the text, as it ends a NUL-terminated one; inside quotes it is
  // part of the item, so a list this module wrote carries every byte value whole.
  std::vector<std::string> items;
  size_t p = 0;
  const size_t n = text.size();
  const auto atEnd = [&] { return p >= n || text[p] == '\0'; };
  while (!atEnd() && isBlankOrControl(text[p])) ++p;
  while (!atEnd()) {
    std::string item;
    if (text[p] == '"') {
      ++p;
      while (p < n) {
        if (text[p] == '"') {
          if (p + 1 < n && text[p + 1] == '"') {
            item += '"';
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        item += text[p++];
      }
    } else {
      const size_t start = p;
      while (p<n&& static_cast<unsigned char>(text[p])> 32 && text[p] != ',') ++p;
      item.assign(text.substr(start, p - start));
    }
    items.push_back(std::move(item));
    while (!atEnd() && isBlankOrControl(text[p])) ++p;
    if (!atEnd() && text[p] == ',') {
      ++p;
      if (atEnd()) items.emplace_back();
      while (!atEnd() && isBlankOrControl(text[p])) ++p;
    }
  }
  return items;
}

std::string commaTextValue(const std::vector<std::string>& items, std::string_view name) {
  for (const auto& item : items) {
    const size_t eq = item.find('=');
    if (eq == std::string::npos || eq != name.size()) continue;
    bool same = true;
    for (size_t i = 0; i < eq && same; ++i) same = upper(item[i]) == upper(name[i]);
    if (same) return item.substr(eq + 1);
  }
  return {};
}

}  // namespace kx
