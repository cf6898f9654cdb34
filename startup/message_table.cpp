#include "startup/message_table.h"

#include <utility>

namespace kx {
namespace {

struct DefaultText {
  int entry;
  const char* text;
};

constexpr DefaultText kDefaults[] = {
#include "startup/message_defaults.inc"
};

}  // namespace

MessageTable::MessageTable() {
  for (const auto& d : kDefaults) texts_[static_cast<size_t>(d.entry)] = d.text;
}

std::string MessageTable::message(int entry) const {
  if (!isEntry(entry)) return {};
  std::lock_guard guard(lock_);
  return texts_[static_cast<size_t>(entry)];
}

void MessageTable::loadMessages(std::string_view fileText) {
  std::array<std::string, kLastEntry + 1> loaded;
  size_t pos = 0;
  for (int line = 1; line <= kLinesRead; ++line) {
    std::string text;
    if (pos < fileText.size()) {
      const size_t lf = fileText.find('\n', pos);
      const size_t end = lf == std::string_view::npos ? fileText.size() : lf;
      text.assign(fileText.substr(pos, end - pos));
      if (!text.empty() && text.back() == '\r') text.pop_back();
      pos = lf == std::string_view::npos ? fileText.size() : lf + 1;
    }
    if (isEntry(line)) loaded[static_cast<size_t>(line)] = std::move(text);
  }
  std::lock_guard guard(lock_);
  texts_ = std::move(loaded);
}

}  // namespace kx
