#include "platform/win32/system_controls.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>

#include "platform/win32/drawn_controls.h"

namespace kx {
namespace {

struct KindEntry {
  std::string_view className;
  SystemKind kind;
};

// Descendants first, so that isKind picks the most specific entry.
constexpr KindEntry kKinds[] = {
    {"TLabel", SystemKind::Label},
    {"TStaticText", SystemKind::Label},
    {"TMaskEdit", SystemKind::Edit},
    {"TEdit", SystemKind::Edit},
    {"TRichEdit", SystemKind::RichEdit},
    {"TMemo", SystemKind::Memo},
    {"TButton", SystemKind::Button},
    {"TSpeedButton", SystemKind::Button},
    {"TRzCheckBox", SystemKind::CheckBox},
    {"TRzRadioButton", SystemKind::RadioButton},
    {"TGroupBox", SystemKind::GroupBox},
    {"TListBox", SystemKind::ListBox},
    {"TComboBox", SystemKind::ComboBox},
    {"TProgressBar", SystemKind::ProgressBar},
    {"TTrackBar", SystemKind::TrackBar},
    {"TUpDown", SystemKind::UpDown},
    {"TTreeView", SystemKind::TreeView},
    {"TAnimate", SystemKind::Animation},
    {"TFileListBox", SystemKind::FileList},
    {"TDirectoryListBox", SystemKind::DirectoryList},
    {"TDriveComboBox", SystemKind::DriveCombo},
    {"TFilterComboBox", SystemKind::FilterCombo},
    {"TPTShellTree", SystemKind::ShellTree},
    {"TPTShellList", SystemKind::ShellList},
    {"TPTShellCombo", SystemKind::ShellCombo},
    {"THTMLViewer", SystemKind::TextPane},
    {"TFlashFrame", SystemKind::TextPane},
};

const char* richEditClass() {
  // The newest rich edit the system has; loaded once and kept for the process.
  static const char* const name = [] {
    if (LoadLibraryExA("msftedit.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return "RICHEDIT50W";
    if (LoadLibraryExA("riched20.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
      return RICHEDIT_CLASSA;
    }
    return "EDIT";
  }();
  return name;
}

DWORD alignmentStyle(const Control& control, DWORD left, DWORD right, DWORD centre) {
  const std::string alignment = control.text("Alignment");
  if (alignment == "taRightJustify") return right;
  if (alignment == "taCenter") return centre;
  return left;
}

DWORD borderExStyle(const Control& control) {
  return control.text("BorderStyle") == "bsNone" ? 0 : WS_EX_CLIENTEDGE;
}

DWORD scrollBarStyle(const Control& control) {
  const std::string bars = control.text("ScrollBars");
  if (bars == "ssBoth") return WS_HSCROLL | WS_VSCROLL;
  if (bars == "ssVertical") return WS_VSCROLL;
  if (bars == "ssHorizontal") return WS_HSCROLL;
  return 0;
}

DWORD charCaseStyle(const Control& control) {
  const std::string charCase = control.text("CharCase");
  if (charCase == "ecUpperCase") return ES_UPPERCASE;
  if (charCase == "ecLowerCase") return ES_LOWERCASE;
  return 0;
}

SystemControlClass labelClass(const Control& control) {
  DWORD style = SS_NOTIFY | alignmentStyle(control, SS_LEFT, SS_RIGHT, SS_CENTER);
  if (!control.boolean("WordWrap") && control.text("Alignment") != "taCenter" &&
      control.text("Alignment") != "taRightJustify") {
    style = SS_NOTIFY | SS_LEFTNOWORDWRAP;
  }
  if (control.findProperty("ShowAccelChar") && !control.boolean("ShowAccelChar")) {
    style |= SS_NOPREFIX;
  }
  const std::string border = control.text("BorderStyle");
  DWORD exStyle = 0;
  if (border == "sbsSingle") style |= WS_BORDER;
  if (border == "sbsSunken") exStyle = WS_EX_STATICEDGE;
  return {SystemKind::Label, "STATIC", style, exStyle};
}

SystemControlClass comboClass(SystemKind kind, const Control& control) {
  DWORD style = WS_VSCROLL | CBS_AUTOHSCROLL | CBS_HASSTRINGS;
  const std::string comboStyle = control.text("Style");
  if (kind != SystemKind::ComboBox || comboStyle == "csDropDownList" ||
      comboStyle == "csOwnerDrawFixed" || comboStyle == "csOwnerDrawVariable") {
    style |= CBS_DROPDOWNLIST;
  } else if (comboStyle == "csSimple") {
    style |= CBS_SIMPLE;
  } else {
    style |= CBS_DROPDOWN | charCaseStyle(control);
  }
  if (control.boolean("Sorted")) style |= CBS_SORT;
  return {kind, "COMBOBOX", style, 0};
}

}  // namespace

SystemKind systemKindOf(const Control& control) {
  if (drawnControlClass(control.kind().className)) return SystemKind::Drawn;
  for (const KindEntry& entry : kKinds) {
    if (control.isKind(entry.className)) return entry.kind;
  }
  return SystemKind::TextPane;
}

SystemControlClass systemControlClass(const Control& control) {
  const SystemKind kind = systemKindOf(control);
  switch (kind) {
    case SystemKind::Label:
      return labelClass(control);
    case SystemKind::Edit: {
      DWORD style = ES_AUTOHSCROLL | charCaseStyle(control);
      if (control.boolean("ReadOnly")) style |= ES_READONLY;
      if (!control.text("PasswordChar").empty()) style |= ES_PASSWORD;
      return {kind, "EDIT", style, borderExStyle(control)};
    }
    case SystemKind::Memo:
    case SystemKind::RichEdit: {
      DWORD style = ES_MULTILINE | ES_WANTRETURN | scrollBarStyle(control) |
                    alignmentStyle(control, ES_LEFT, ES_RIGHT, ES_CENTER);
      if (!control.boolean("WordWrap")) style |= ES_AUTOHSCROLL;
      if (!(style & WS_VSCROLL)) style |= ES_AUTOVSCROLL;
      if (control.boolean("ReadOnly")) style |= ES_READONLY;
      return {kind, kind == SystemKind::RichEdit ? richEditClass() : "EDIT", style,
              borderExStyle(control)};
    }
    case SystemKind::Button:
      // The system's button shows a picture or a text, not both: one with a glyph is drawn.
      if (!control.dataBytes("Glyph").empty()) return {kind, "BUTTON", BS_OWNERDRAW, 0};
      return {kind, "BUTTON",
              static_cast<DWORD>(control.boolean("Default") ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) |
                  BS_MULTILINE,
              0};
    case SystemKind::CheckBox: {
      DWORD style = control.boolean("AllowGrayed") ? BS_AUTO3STATE : BS_AUTOCHECKBOX;
      if (control.text("Alignment") == "taLeftJustify") style |= BS_LEFTTEXT;
      if (control.boolean("WordWrap")) style |= BS_MULTILINE;
      return {kind, "BUTTON", style, 0};
    }
    case SystemKind::RadioButton: {
      DWORD style = BS_AUTORADIOBUTTON;
      if (control.text("Alignment") == "taLeftJustify") style |= BS_LEFTTEXT;
      if (control.boolean("WordWrap")) style |= BS_MULTILINE;
      return {kind, "BUTTON", style, 0};
    }
    case SystemKind::GroupBox:
      return {kind, "BUTTON", BS_GROUPBOX, WS_EX_CONTROLPARENT};
    case SystemKind::ListBox:
    case SystemKind::FileList:
    case SystemKind::DirectoryList: {
      DWORD style = LBS_NOTIFY | WS_VSCROLL | LBS_HASSTRINGS;
      if (kind == SystemKind::ListBox && control.boolean("Sorted")) style |= LBS_SORT;
      if (!control.boolean("IntegralHeight")) style |= LBS_NOINTEGRALHEIGHT;
      return {kind, "LISTBOX", style,
              kind == SystemKind::ListBox ? borderExStyle(control) : WS_EX_CLIENTEDGE};
    }
    case SystemKind::ComboBox:
    case SystemKind::DriveCombo:
    case SystemKind::FilterCombo:
    case SystemKind::ShellCombo:
      return comboClass(kind, control);
    case SystemKind::ProgressBar: {
      DWORD style = 0;
      if (control.boolean("Smooth")) style |= PBS_SMOOTH;
      if (control.text("Orientation") == "pbVertical") style |= PBS_VERTICAL;
      return {kind, PROGRESS_CLASSA, style, 0};
    }
    case SystemKind::TrackBar: {
      DWORD style = 0;
      if (control.text("Orientation") == "trVertical") style |= TBS_VERT;
      if (control.text("TickStyle") == "tsAuto") style |= TBS_AUTOTICKS;
      if (control.text("TickStyle") == "tsNone") style |= TBS_NOTICKS;
      const std::string marks = control.text("TickMarks");
      if (marks == "tmBoth") style |= TBS_BOTH;
      if (marks == "tmTopLeft") style |= TBS_TOP;
      if (!control.boolean("SliderVisible")) style |= TBS_NOTHUMB;
      return {kind, TRACKBAR_CLASSA, style, 0};
    }
    case SystemKind::UpDown: {
      DWORD style = UDS_SETBUDDYINT;
      style |= control.text("AlignButton") == "udLeft" ? UDS_ALIGNLEFT : UDS_ALIGNRIGHT;
      if (control.boolean("ArrowKeys")) style |= UDS_ARROWKEYS;
      if (control.text("Orientation") == "udHorizontal") style |= UDS_HORZ;
      if (!control.boolean("Thousands")) style |= UDS_NOTHOUSANDS;
      if (control.boolean("Wrap")) style |= UDS_WRAP;
      return {kind, UPDOWN_CLASSA, style, 0};
    }
    case SystemKind::TreeView:
    case SystemKind::ShellTree: {
      DWORD style = TVS_SHOWSELALWAYS;
      const bool shell = kind == SystemKind::ShellTree;
      if (shell || control.boolean("ShowButtons")) style |= TVS_HASBUTTONS;
      if (shell || control.boolean("ShowLines")) style |= TVS_HASLINES;
      if (shell || control.boolean("ShowRoot")) style |= TVS_LINESATROOT;
      if (!shell && !control.boolean("HideSelection")) style |= TVS_SHOWSELALWAYS;
      return {kind, WC_TREEVIEWA, style,
              shell || control.text("BorderStyle") != "bsNone" ? DWORD{WS_EX_CLIENTEDGE} : 0};
    }
    case SystemKind::Animation: {
      DWORD style = ACS_TRANSPARENT;
      if (control.boolean("Center")) style |= ACS_CENTER;
      return {kind, ANIMATE_CLASSA, style, 0};
    }
    case SystemKind::ShellList:
      return {kind, WC_LISTVIEWA, LVS_LIST | LVS_SINGLESEL | LVS_SHOWSELALWAYS, WS_EX_CLIENTEDGE};
    case SystemKind::TextPane:
      return {kind, "STATIC", SS_LEFT | SS_NOPREFIX, WS_EX_CLIENTEDGE};
    case SystemKind::Drawn:
      break;
  }
  return {kind, drawnControlClass(control.kind().className), 0, WS_EX_CONTROLPARENT};
}

bool takesFocus(SystemKind kind) {
  switch (kind) {
    case SystemKind::Label:
    case SystemKind::GroupBox:
    case SystemKind::ProgressBar:
    case SystemKind::UpDown:
    case SystemKind::Animation:
    case SystemKind::TextPane:
    case SystemKind::Drawn:
      return false;
    default:
      return true;
  }
}

namespace {

// Names of the entries of `folder` that match `mask`, folders or files as asked, sorted.
std::vector<std::string> entriesIn(const std::string& folder, const std::string& mask,
                                   bool folders) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(joinPath(folder, mask).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const std::string name = found.cFileName;
    if (isFolder != folders || name == "." || name == "..") continue;
    names.push_back(name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) < 0;
  });
  return names;
}

}  // namespace

std::vector<std::string> filesIn(const std::string& folder, const std::string& mask) {
  return entriesIn(folder, mask.empty() ? "*.*" : mask, false);
}

std::vector<std::string> foldersIn(const std::string& folder) {
  return entriesIn(folder, "*", true);
}

std::vector<std::string> driveRoots() {
  std::vector<std::string> roots;
  char buffer[512];
  const DWORD length = GetLogicalDriveStringsA(sizeof buffer, buffer);
  if (length == 0 || length > sizeof buffer) return roots;
  for (const char* root = buffer; *root; root += lstrlenA(root) + 1) roots.emplace_back(root);
  return roots;
}

std::string currentFolder() {
  char buffer[MAX_PATH];
  const DWORD length = GetCurrentDirectoryA(MAX_PATH, buffer);
  if (length == 0 || length >= MAX_PATH) return "C:\\";
  return std::string(buffer, length);
}

std::string joinPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '\\') return folder + name;
  return folder + "\\" + name;
}

std::vector<FilterEntry> filterEntries(const std::string& filter) {
  std::vector<FilterEntry> entries;
  size_t start = 0;
  while (start < filter.size()) {
    const size_t bar = filter.find('|', start);
    const std::string description = filter.substr(start, bar - start);
    if (bar == std::string::npos) {
      entries.push_back({description, "*.*"});
      break;
    }
    const size_t next = filter.find('|', bar + 1);
    entries.push_back({description, filter.substr(bar + 1, next - bar - 1)});
    if (next == std::string::npos) break;
    start = next + 1;
  }
  return entries;
}

std::vector<std::string> folderChain(const std::string& folder) {
  std::vector<std::string> chain;
  const size_t rootEnd = folder.find('\\', folder.rfind(':') == std::string::npos ? 2 : 0);
  if (rootEnd == std::string::npos) return {folder};
  chain.push_back(folder.substr(0, rootEnd + 1));
  size_t start = rootEnd + 1;
  while (start < folder.size()) {
    const size_t slash = folder.find('\\', start);
    chain.push_back(folder.substr(0, slash == std::string::npos ? folder.size() : slash));
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  return chain;
}

}  // namespace kx
