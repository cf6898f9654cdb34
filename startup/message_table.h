#pragma once
// The engine's numbered message table: 94 entries (1-90 and 112-115) with English defaults,
// replaced as a whole from a language file. Texts are 8-bit in the ANSI code page.
#include <array>
#include <mutex>
#include <string>
#include <string_view>

namespace kx {

class MessageTable {
 public:
  static constexpr int kLastEntry = 115;
  static constexpr int kLinesRead = 115;

  MessageTable();
  // The current text of an entry; entries outside the table read as empty.
  std::string message(int entry) const;
  // Replaces the table from a language file's text: line n sets entry n for 1-90 and
  // 112-115, lines 91-111 are ignored, missing lines empty their entries.
  void loadMessages(std::string_view fileText);
  static bool isEntry(int entry) { return (entry >= 1 && entry <= 90) || (entry >= 112 && entry <= 115); }

 private:
  mutable std::mutex lock_;
  std::array<std::string, kLastEntry + 1> texts_;
};

}  // namespace kx
