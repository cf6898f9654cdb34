#include "base/message_table.h"

#include <algorithm>
#include <utility>

#include "base/values.h"

namespace kx {
namespace {

struct DefaultText {
  int entry;
  const char* text;
};

constexpr DefaultText kDefaults[] = {
#include "base/message_defaults.inc"
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
  Lines lines = splitLines(fileText);
  lines.resize(std::max<size_t>(lines.size(), kLinesRead));
  for (int line = 1; line <= kLinesRead; ++line)
    if (isEntry(line))
      loaded[static_cast<size_t>(line)] = std::move(lines[static_cast<size_t>(line) - 1]);
  std::lock_guard guard(lock_);
  texts_ = std::move(loaded);
}

}  // namespace kx
