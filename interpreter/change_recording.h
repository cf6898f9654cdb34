#pragma once
// What a run records for the installer: recording commands never change the machine
// themselves, they switch their statement's rows of the installer package on and give them
// values, as installer properties named after the statement's command header.
#include <string>
#include <string_view>
#include <vector>

#include "interpreter/variable_store.h"

namespace kx {

// Values keep their line breaks as this mark while they are recorded.
inline constexpr std::string_view kNewlineMark = "$NEWLINE$";
std::string withNewlineMarks(std::string_view value);
std::string withLineBreaks(std::string_view value);

// A shortcut row of the package to rename, found by its directory (the name of the statement's
// first value property).
struct ShortcutRename {
  std::string directoryKey;
  std::string name;  // the package's form: short name "|" long name
  std::string description;
};

// A ProgId row of the package to rename, found by the ProgId as the script writes it.
struct ProgIdRename {
  std::string progIdAsWritten;
  std::string progId;  // expanded and translated
  std::string description;
};

struct ChangeRecording {
  // Rows for the package's Property table, in order; values with newline marks. Emptied once
  // they are written, so a later recording starts a new list.
  NameValueList pendingRows;
  // Everything recorded since the run began, in order, values with newline marks: handed to
  // the installer and kept for maintenance runs. Later entries supersede earlier ones.
  NameValueList recordedProperties;
  std::vector<ShortcutRename> shortcutRenames;
  std::vector<ProgIdRename> progIdRenames;

  void queueRow(const std::string& name, std::string_view value);
  // Queues the row and appends it to the recorded property list.
  void recordProperty(const std::string& name, std::string_view value);
};

// The statement enable property and value property n of a command header.
inline std::string enableProperty(std::string_view header) {
  return "A" + std::string(header);
}
inline std::string valueProperty(std::string_view header, int n) {
  return "P" + std::string(header) + "_" + std::to_string(n);
}

}  // namespace kx
