#pragma once
// The compiled setup script: twenty fields held as parallel lists, addressed by statement
// number (1-based position in the command list).
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/values.h"

namespace kx {

class Script {
 public:
  // Fields in file order.
  Lines commands;                  // 1
  Lines ids;                       // 2
  Lines parameterSection;          // 3
  Lines marks;                     // 4
  std::string productCode;         // 5
  std::string title;               // 6
  Lines plugins;                   // 7
  std::string company;             // 8
  std::string contact;             // 9
  std::string helpLink;            // 10
  std::string updateLink;          // 11
  std::string comments;            // 12
  Lines mediaBlocks;               // 13
  int32_t sourceMode = 0;          // 14
  Lines componentSizes;            // 15
  std::string revisionCode;        // 16
  Lines mediaFileMap;              // 17
  std::string languageDialogFlag;  // 18
  std::string defaultLanguage;     // 19
  Lines commandHeaders;            // 20

  size_t statementCount() const { return commands.size(); }
  // Statement number k (1-based); out-of-range numbers read as empty.
  const std::string& command(size_t k) const { return entry(commands, k); }
  const std::string& id(size_t k) const { return entry(ids, k); }
  const std::string& mediaBlock(size_t k) const { return entry(mediaBlocks, k); }
  bool isDisabled(size_t k) const { return entry(marks, k) == "C"; }

  // Parameter line n of the statement with this id: the line n positions after the first line
  // of the whole parameter section that equals the id; empty when no line equals it. A line
  // beyond the section's end is the script error "List index out of bounds (%d)".
  std::string parameter(std::string_view statementId, size_t n) const;
  // The same for statement number k by its own id, resolved once by rebuildIndexes.
  std::string statementParameter(size_t k, size_t n) const;

  // The header text of statement k: the line just before the first line of the header table
  // that equals k - 1 in decimal. Missing: empty when tolerant, else a script error.
  std::string commandHeader(size_t k, bool tolerant) const;

  // Must be called after the fields change; lookups use these indexes instead of scanning.
  void rebuildIndexes();

 private:
  // Hashes strings and string views alike, so a lookup by view builds no string.
  struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
  };
  using LineIndex = std::unordered_map<std::string, size_t, TextHash, std::equal_to<>>;
  static constexpr size_t kNoBlock = static_cast<size_t>(-1);

  static const std::string& entry(const Lines& list, size_t k) {
    static const std::string empty;
    return (k >= 1 && k <= list.size()) ? list[k - 1] : empty;
  }
  std::string parameterAt(size_t first, size_t n) const;
  LineIndex firstParameterLine_;
  LineIndex firstHeaderLine_;
  // Per statement (k - 1): the first parameter line equal to its id, or kNoBlock.
  std::vector<size_t> statementBlock_;
};

// Outcome of reading a script file.
struct ScriptReadResult {
  bool complete = true;  // false when the text ended before the last field
  std::string problem;   // what was missing, for the start-up's report
};

// Reads the twenty fields from the script file's bytes. Lines end with CR LF (a lone LF is
// accepted too). A text that ends early leaves the remaining fields empty and is reported as
// incomplete; a source mode that is not a decimal integer is reported the same way.
ScriptReadResult readScript(std::string_view bytes, Script& script);

// Writes the script file format: 8-bit text, CR LF, fields in order.
std::string writeScript(const Script& script);

std::string scriptIndexOutOfBounds(size_t index);

}  // namespace kx
