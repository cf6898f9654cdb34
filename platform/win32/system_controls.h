#pragma once
// The system's own controls that stand for the form model's control kinds: which window class
// and styles a kind is made of, and the file-system contents of the file, folder, drive and
// shell controls.
#include <windows.h>

#include <string>
#include <vector>

#include "dialogs/forms/form_model.h"

namespace kx {

enum class SystemKind {
  Label,
  Edit,
  Memo,
  RichEdit,
  Button,
  CheckBox,
  RadioButton,
  GroupBox,
  ListBox,
  ComboBox,
  ProgressBar,
  TrackBar,
  UpDown,
  TreeView,
  Animation,
  FileList,
  DirectoryList,
  DriveCombo,
  FilterCombo,
  ShellTree,
  ShellList,
  ShellCombo,
  // The HTML viewer and the movie frame show their text until they get players of their own.
  TextPane,
  Drawn
};

struct SystemControlClass {
  SystemKind kind;
  const char* windowClass;
  DWORD style;  // besides WS_CHILD, WS_VISIBLE, WS_TABSTOP and WS_GROUP
  DWORD exStyle;
};

SystemKind systemKindOf(const Control& control);
// The class and styles of a control, from the properties fixed at creation.
SystemControlClass systemControlClass(const Control& control);
// Whether the kind takes keyboard focus, and so is a tab stop.
bool takesFocus(SystemKind kind);

// A folder's entries matching `mask` (files only, in name order).
std::vector<std::string> filesIn(const std::string& folder, const std::string& mask);
// A folder's subfolders (without "." and ".."), in name order.
std::vector<std::string> foldersIn(const std::string& folder);
// The roots of the drives present ("C:\").
std::vector<std::string> driveRoots();
// The process's current folder, without a trailing backslash except at a drive root.
std::string currentFolder();
// "a\b" + "c" -> "a\b\c", "C:\" + "c" -> "C:\c".
std::string joinPath(const std::string& folder, const std::string& name);
// The descriptions of a filter ("Text files (*.txt)|*.txt|All files|*.*") and their masks.
struct FilterEntry {
  std::string description;
  std::string mask;
};
std::vector<FilterEntry> filterEntries(const std::string& filter);
// The folder chain of a path, from its root: "C:\a\b" -> "C:\", "C:\a", "C:\a\b".
std::vector<std::string> folderChain(const std::string& folder);

}  // namespace kx
