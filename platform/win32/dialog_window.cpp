#include "platform/win32/dialog_window.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <cstdint>

#include "dialogs/forms/picture.h"
#include "dialogs/forms/tree_nodes.h"

namespace kx {
namespace {

constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT_PTR kPageRefreshTimer = 2;
constexpr UINT kAboutCommand = 0x0110;  // system menu commands are multiples of 16 below 0xF000
constexpr UINT kDefaultDpi = 96;

std::string windowText(HWND window) {
  std::string text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
  text.resize(
      static_cast<size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// The Lines text of a multi-line control's text: every line followed by CR LF.
std::string linesFromText(const std::string& text) {
  return text.empty() ? text : text + "\r\n";
}

std::string textFromLines(const std::string& lines) {
  if (lines.size() >= 2 && lines.compare(lines.size() - 2, 2, "\r\n") == 0) {
    return lines.substr(0, lines.size() - 2);
  }
  return lines;
}

bool isRtf(const std::string& text) {
  return text.rfind("{\\rtf", 0) == 0;
}

struct StreamSource {
  const std::string* text;
  size_t offset;
};

DWORD CALLBACK readStream(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
  auto* source = reinterpret_cast<StreamSource*>(cookie);
  const size_t left = source->text->size() - source->offset;
  const size_t count = std::min(left, static_cast<size_t>(wanted));
  std::copy_n(source->text->data() + source->offset, count, buffer);
  source->offset += count;
  *given = static_cast<LONG>(count);
  return 0;
}

template <typename Function>
void bind(HMODULE library, const char* name, WORD ordinal, Function& function) {
  FARPROC found = GetProcAddress(library, name);
  if (!found) found = GetProcAddress(library, MAKEINTRESOURCEA(ordinal));
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

LRESULT defaultSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return commonControls().defSubclassProc(window, message, wParam, lParam);
}

void subclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id, DWORD_PTR data) {
  const CommonControlFunctions& functions = commonControls();
  if (functions.setWindowSubclass && functions.defSubclassProc) {
    functions.setWindowSubclass(window, procedure, id, data);
  }
}

// Group boxes and panels hold controls of their own; what those report goes to the dialog.
LRESULT CALLBACK forwardToDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                 DWORD_PTR) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_DRAWITEM:
      return SendMessageA(GetAncestor(window, GA_ROOT), message, wParam, lParam);
    case WM_ERASEBKGND:
      // A group box paints only its frame; the inside takes the colour it asks its parent for.
      if (auto brush = reinterpret_cast<HBRUSH>(SendMessageA(
              GetParent(window), WM_CTLCOLORSTATIC, wParam, reinterpret_cast<LPARAM>(window)))) {
        RECT client;
        GetClientRect(window, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
        return 1;
      }
      return defaultSubclassProc(window, message, wParam, lParam);
    default:
      return defaultSubclassProc(window, message, wParam, lParam);
  }
}

// A memo passes Tab on to the dialog unless the author wants tabs typed into it, and Enter
// unless it wants returns.
LRESULT CALLBACK memoKeys(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                          DWORD_PTR data) {
  LRESULT result = defaultSubclassProc(window, message, wParam, lParam);
  const auto* key = reinterpret_cast<const MSG*>(lParam);
  if (message != WM_GETDLGCODE || !key || key->message != WM_KEYDOWN) return result;
  const auto& control = *reinterpret_cast<const Control*>(data);
  const bool wanted = key->wParam == VK_TAB      ? control.boolean("WantTabs")
                      : key->wParam == VK_RETURN ? control.boolean("WantReturns")
                                                 : true;
  if (!wanted) result &= ~(DLGC_WANTTAB | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE);
  return result;
}

UINT dpiOf(HWND window) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  if (getDpiForWindow && window) {
    const UINT dpi = getDpiForWindow(window);
    if (dpi) return dpi;
  }
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

struct FrameStyle {
  DWORD style;
  DWORD exStyle;
};

FrameStyle frameStyleOf(const PropertyHolder& host) {
  const std::string border = host.text("BorderStyle");
  const std::string icons = host.text("BorderIcons");
  const bool systemMenu = icons.find("biSystemMenu") != std::string::npos;
  DWORD style = WS_POPUP | WS_CLIPCHILDREN;
  DWORD exStyle = WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;
  if (border == "bsNone") return {style, exStyle};
  style |= WS_CAPTION;
  if (systemMenu) style |= WS_SYSMENU;
  if (border == "bsDialog") {
    exStyle |= WS_EX_DLGMODALFRAME;
    return {style, exStyle};
  }
  if (border == "bsToolWindow" || border == "bsSizeToolWin") exStyle |= WS_EX_TOOLWINDOW;
  if (border == "bsSizeable" || border == "bsSizeToolWin") style |= WS_THICKFRAME;
  if (systemMenu && icons.find("biMinimize") != std::string::npos) style |= WS_MINIMIZEBOX;
  if (systemMenu && icons.find("biMaximize") != std::string::npos && (style & WS_THICKFRAME)) {
    style |= WS_MAXIMIZEBOX;
  }
  return {style, exStyle};
}

bool hasWord(const std::string& set, std::string_view word) {
  return set.find(word) != std::string::npos;
}

// The shell's own animations, by CommonAVI value, as resources of shell32.
int commonAnimation(const std::string& name) {
  static constexpr std::pair<std::string_view, int> kAnimations[] = {
      {"aviFindFolder", 150},   {"aviFindFile", 151},  {"aviFindComputer", 152},
      {"aviCopyFiles", 160},    {"aviCopyFile", 161},  {"aviRecycleFile", 162},
      {"aviEmptyRecycle", 163}, {"aviDeleteFile", 164}};
  for (const auto& [value, id] : kAnimations) {
    if (value == name) return id;
  }
  return 0;
}

// Which kinds of change a holder's properties went through since `shown` was taken.
struct Changes {
  bool fonts = false;
  bool colours = false;
  bool places = false;
  bool clientSize = false;
};

void noteChanges(const PropertyHolder& holder, const std::vector<std::string>& shown,
                 Changes& changes) {
  const auto& properties = holder.kind().properties;
  for (size_t index = 0; index < properties.size(); ++index) {
    const std::string_view name = properties[index]->name;
    if (shown[index] == holder.text(name)) continue;
    changes.fonts = changes.fonts || name.starts_with("Font.") || name == "ParentFont";
    changes.colours =
        changes.colours || name == "Color" || name == "ParentColor" || name == "Font.Color";
    changes.places = changes.places || name == "Left" || name == "Top" || name == "Width" ||
                     name == "Height" || name == "Anchors";
    changes.clientSize = changes.clientSize || name == "ClientWidth" || name == "ClientHeight";
  }
}

std::vector<std::string> propertyTexts(const PropertyHolder& holder) {
  std::vector<std::string> texts;
  for (const PropertyDef* property : holder.kind().properties) {
    texts.push_back(holder.text(property->name));
  }
  return texts;
}

}  // namespace

const CommonControlFunctions& commonControls() {
  static const CommonControlFunctions functions = [] {
    CommonControlFunctions bound;
    if (HMODULE library = LoadLibraryExA("comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
      bind(library, "InitCommonControlsEx", 0, bound.initCommonControlsEx);
      bind(library, "SetWindowSubclass", 410, bound.setWindowSubclass);
      bind(library, "DefSubclassProc", 413, bound.defSubclassProc);
    }
    return bound;
  }();
  return functions;
}

void Win32DialogWindow::registerClass(HINSTANCE instance) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClass.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  windowClass.lpszClassName = kDialogWindowClass;
  RegisterClassExA(&windowClass);
  registerDrawnControlClasses(instance);
}

Win32DialogWindow::Win32DialogWindow(DialogForm& form, DialogEvents& events,
                                     PictureCodecs& pictures)
    : form_(form), events_(events), pictures_(pictures) {
  createWindow();
  createControls();
  SetTimer(window_, kRefreshTimer, 1000, nullptr);
}

Win32DialogWindow::~Win32DialogWindow() {
  DestroyWindow(window_);
  for (ControlWindow& entry : controls_) {
    if (entry.font) DeleteObject(entry.font);
    if (entry.brush) DeleteObject(entry.brush);
  }
  if (font_) DeleteObject(font_);
  if (brush_) DeleteObject(brush_);
}

void Win32DialogWindow::createWindow() {
  const FrameStyle frame = frameStyleOf(form_.host);
  window_ = CreateWindowExA(frame.exStyle, kDialogWindowClass, form_.host.text("Caption").c_str(),
                            frame.style, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, nullptr, nullptr,
                            GetModuleHandleA(nullptr), this);
  scale_ = {form_.host.integer("PixelsPerInch"), static_cast<int>(dpiOf(window_))};
  if (scale_.designDpi <= 0) scale_.designDpi = static_cast<int>(kDefaultDpi);
  resizeClient();
  hostShown_ = propertyTexts(form_.host);
  font_ = createFont(form_.host, scale_);
  brush_ = CreateSolidBrush(colourFromText(form_.host.text("Color"), GetSysColor(COLOR_BTNFACE)));
  SetPropA(window_, kControlNameProperty,
           reinterpret_cast<HANDLE>(static_cast<uintptr_t>(GlobalAddAtomA(form_.name.c_str()))));
}

// The window's frame around the form's client size at the current scale.
void Win32DialogWindow::resizeClient() {
  designClient_ = {scale_(form_.host.integer("ClientWidth")),
                   scale_(form_.host.integer("ClientHeight"))};
  RECT frame{0, 0, designClient_.cx, designClient_.cy};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_EXSTYLE)));
  SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32DialogWindow::createControls() {
  controls_.resize(form_.controls().size());
  for (size_t index = 0; index < controls_.size(); ++index) createControl(index);
  orderControls();
  for (ControlWindow& entry : controls_) {
    if (entry.type.kind == SystemKind::UpDown) {
      if (ControlWindow* buddy = findEntry(entry.control->text("Associate"))) {
        SendMessageA(entry.window, UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy->window), 0);
      }
    }
  }
  applyFonts();
  applyColours();
  updating_ = true;
  for (ControlWindow& entry : controls_) mirror(entry, true);
  updating_ = false;
  layout();
}

HWND Win32DialogWindow::parentWindow(const Control& control) const {
  const int parent = control.parent();
  if (parent < 0 || static_cast<size_t>(parent) >= controls_.size()) return window_;
  return controls_[static_cast<size_t>(parent)].window
             ? controls_[static_cast<size_t>(parent)].window
             : window_;
}

void Win32DialogWindow::createControl(size_t index) {
  ControlWindow& entry = controls_[index];
  Control& control = form_.controls()[index];
  entry.control = &control;
  entry.type = systemControlClass(control);
  entry.shown.assign(control.kind().properties.size(), std::string());
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | entry.type.style;
  if (takesFocus(entry.type.kind) ||
      (control.findProperty("TabStop") && control.boolean("TabStop"))) {
    style |= WS_TABSTOP;
  }
  void* creation = nullptr;
  if (entry.type.kind == SystemKind::Drawn) {
    entry.drawn = std::make_unique<DrawnControlState>();
    entry.drawn->control = &control;
    entry.drawn->scale = scale_;
    entry.drawn->pictures = &pictures_;
    entry.drawn->checks.assign(control.lines("Items").size(), false);
    creation = entry.drawn.get();
  }
  HWND parent = parentWindow(control);
  entry.window = CreateWindowExA(
      entry.type.exStyle, entry.type.windowClass, "", style, 0, 0, 0, 0, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + static_cast<int>(index))),
      GetModuleHandleA(nullptr), creation);
  if (!entry.window) return;
  if (parent != window_) subclass(parent, forwardToDialog, 1, 0);
  // An empty group box needs the subclass too: without it nothing paints its inside.
  if (entry.type.kind == SystemKind::GroupBox) subclass(entry.window, forwardToDialog, 1, 0);
  entry.nameAtom = GlobalAddAtomA(control.name().c_str());
  SetPropA(entry.window, kControlNameProperty,
           reinterpret_cast<HANDLE>(static_cast<uintptr_t>(entry.nameAtom)));
  if (entry.type.kind == SystemKind::RichEdit) {
    SendMessageA(entry.window, EM_SETEVENTMASK, 0, ENM_CHANGE);
  }
  if (entry.type.kind == SystemKind::Memo || entry.type.kind == SystemKind::RichEdit) {
    subclass(entry.window, memoKeys, 2, reinterpret_cast<DWORD_PTR>(&control));
  }
  if (entry.type.kind == SystemKind::ShellList) {
    LVCOLUMNA column{};
    column.mask = LVCF_WIDTH;
    column.cx = 200;
    SendMessageA(entry.window, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
  }
  if (entry.type.kind != SystemKind::Drawn && entry.type.kind != SystemKind::UpDown) {
    fillContents(entry);
  }
}

// Siblings go in tab order, so that Tab and Shift+Tab follow it; a label goes just before the
// control it focuses, so that its underlined letter moves there. Radio buttons next to each
// other form one group.
void Win32DialogWindow::orderControls() {
  std::vector<size_t> order(controls_.size());
  for (size_t index = 0; index < order.size(); ++index) order[index] = index;
  auto key = [&](size_t index) {
    const Control& control = *controls_[index].control;
    if (const ControlWindow* target = findEntry(control.text("FocusControl"))) {
      return std::pair{target->control->tabOrder() * 2, index};
    }
    const int32_t tabOrder = control.findProperty("TabOrder") ? control.tabOrder() : -1;
    return std::pair{tabOrder < 0 ? INT32_MAX - 1 : tabOrder * 2 + 1, index};
  };
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return key(a) < key(b); });
  std::vector<HWND> previous(controls_.size() + 1, HWND_TOP);
  std::vector<bool> previousIsRadio(controls_.size() + 1, false);
  for (size_t index : order) {
    ControlWindow& entry = controls_[index];
    if (!entry.window) continue;
    const size_t slot = static_cast<size_t>(entry.control->parent() + 1);
    SetWindowPos(entry.window, previous[slot], 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    previous[slot] = entry.window;
    const bool radio = entry.type.kind == SystemKind::RadioButton;
    if (!radio || !previousIsRadio[slot]) {
      SetWindowLongPtrA(entry.window, GWL_STYLE,
                        GetWindowLongPtrA(entry.window, GWL_STYLE) | WS_GROUP);
    }
    previousIsRadio[slot] = radio;
  }
}

const PropertyHolder& Win32DialogWindow::fontHolder(const Control& control) const {
  const Control* holder = &control;
  while (holder->findProperty("ParentFont") && holder->boolean("ParentFont")) {
    if (holder->parent() < 0) return form_.host;
    holder = controls_[static_cast<size_t>(holder->parent())].control;
  }
  if (!holder->findProperty("Font.Name")) return form_.host;
  return *holder;
}

COLORREF Win32DialogWindow::backgroundOf(int index) const {
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  while (index >= 0) {
    const Control& control = *controls_[static_cast<size_t>(index)].control;
    if (control.findProperty("Color") &&
        !(control.findProperty("ParentColor") && control.boolean("ParentColor"))) {
      return colourFromText(control.text("Color"), face);
    }
    index = control.parent();
  }
  return colourFromText(form_.host.text("Color"), face);
}

void Win32DialogWindow::applyFonts() {
  if (font_) DeleteObject(font_);
  font_ = createFont(form_.host, scale_);
  SendMessageA(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  for (ControlWindow& entry : controls_) {
    if (!entry.window) continue;
    if (entry.font) DeleteObject(entry.font);
    entry.font = createFont(fontHolder(*entry.control), scale_);
    SendMessageA(entry.window, WM_SETFONT, reinterpret_cast<WPARAM>(entry.font), TRUE);
  }
}

void Win32DialogWindow::applyColours() {
  if (brush_) DeleteObject(brush_);
  brush_ = CreateSolidBrush(colourFromText(form_.host.text("Color"), GetSysColor(COLOR_BTNFACE)));
  for (size_t index = 0; index < controls_.size(); ++index) {
    ControlWindow& entry = controls_[index];
    if (entry.brush) DeleteObject(entry.brush);
    entry.background = backgroundOf(static_cast<int>(index));
    entry.brush = CreateSolidBrush(entry.background);
    if (entry.window) InvalidateRect(entry.window, nullptr, TRUE);
  }
  InvalidateRect(window_, nullptr, TRUE);
}

// Every control at its scaled place; anchored sides follow their container's growth.
void Win32DialogWindow::layout() {
  RECT client;
  GetClientRect(window_, &client);
  const SIZE formGrowth{client.right - designClient_.cx, client.bottom - designClient_.cy};
  std::vector<SIZE> growth(controls_.size(), SIZE{0, 0});
  for (size_t index = 0; index < controls_.size(); ++index) {
    ControlWindow& entry = controls_[index];
    const Control& control = *entry.control;
    const int parent = control.parent();
    const SIZE outer = parent < 0 ? formGrowth : growth[static_cast<size_t>(parent)];
    int left = scale_(control.integer("Left"));
    int top = scale_(control.integer("Top"));
    int width = scale_(control.integer("Width"));
    int height = scale_(control.integer("Height"));
    const std::string anchors = control.text("Anchors");
    const bool leftAnchor = hasWord(anchors, "akLeft"), rightAnchor = hasWord(anchors, "akRight");
    const bool topAnchor = hasWord(anchors, "akTop"), bottomAnchor = hasWord(anchors, "akBottom");
    if (rightAnchor && leftAnchor) width += outer.cx;
    if (rightAnchor && !leftAnchor) left += outer.cx;
    if (bottomAnchor && topAnchor) height += outer.cy;
    if (bottomAnchor && !topAnchor) top += outer.cy;
    growth[index] = {width - scale_(control.integer("Width")),
                     height - scale_(control.integer("Height"))};
    if (!entry.window) continue;
    if (entry.type.windowClass == std::string_view("COMBOBOX")) {
      // The height of a combo box's window includes its drop-down list.
      height += scale_(control.integer("ItemHeight") > 0 ? control.integer("ItemHeight") : 16) *
                std::max(control.integer("DropDownCount"), 8);
    }
    SetWindowPos(entry.window, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void Win32DialogWindow::setTextIfDifferent(HWND window, const std::string& text) {
  if (windowText(window) != text) SetWindowTextA(window, text.c_str());
}

void Win32DialogWindow::fillContents(ControlWindow& entry) {
  const Control& control = *entry.control;
  HWND window = entry.window;
  entry.paths.clear();
  switch (entry.type.kind) {
    case SystemKind::ListBox:
      SendMessageA(window, LB_RESETCONTENT, 0, 0);
      for (const std::string& item : control.lines("Items")) {
        SendMessageA(window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
      }
      break;
    case SystemKind::ComboBox:
      SendMessageA(window, CB_RESETCONTENT, 0, 0);
      for (const std::string& item : control.lines("Items")) {
        SendMessageA(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
      }
      break;
    case SystemKind::TreeView: {
      SendMessageA(window, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
      const auto nodes = treeNodesFromBlock(control.dataBytes("Items"));
      if (!nodes) break;
      auto insert = [&](auto& self, const std::vector<TreeNode>& level, HTREEITEM parent) -> void {
        for (const TreeNode& node : level) {
          TVINSERTSTRUCTA item{};
          item.hParent = parent;
          item.hInsertAfter = TVI_LAST;
          item.item.mask = TVIF_TEXT;
          item.item.pszText = const_cast<char*>(node.text.c_str());
          auto* inserted = reinterpret_cast<HTREEITEM>(
              SendMessageA(window, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
          self(self, node.children, inserted);
        }
      };
      insert(insert, *nodes, TVI_ROOT);
      break;
    }
    case SystemKind::FileList: {
      const std::string folder = shownLocation(control, entry.type.kind);
      SendMessageA(window, LB_RESETCONTENT, 0, 0);
      for (const std::string& name : filesIn(folder, control.text("Mask"))) {
        SendMessageA(window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        entry.paths.push_back(joinPath(folder, name));
      }
      break;
    }
    case SystemKind::DirectoryList: {
      // The folder's chain from its root, then its subfolders, each indented one step further.
      const std::string folder = shownLocation(control, entry.type.kind);
      SendMessageA(window, LB_RESETCONTENT, 0, 0);
      const std::vector<std::string> chain = folderChain(folder);
      std::string indent;
      for (const std::string& step : chain) {
        const std::string name = step.size() <= 3 ? step : step.substr(step.rfind('\\') + 1);
        SendMessageA(window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>((indent + name).c_str()));
        entry.paths.push_back(step);
        indent += "  ";
      }
      SendMessageA(window, LB_SETCURSEL, chain.size() - 1, 0);
      for (const std::string& name : foldersIn(folder)) {
        SendMessageA(window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>((indent + name).c_str()));
        entry.paths.push_back(joinPath(folder, name));
      }
      break;
    }
    case SystemKind::DriveCombo:
    case SystemKind::ShellCombo: {
      SendMessageA(window, CB_RESETCONTENT, 0, 0);
      const bool upper = control.text("TextCase") == "tcUpperCase";
      const std::string current = shownLocation(control, entry.type.kind);
      int selected = 0;
      for (const std::string& root : driveRoots()) {
        std::string shown = entry.type.kind == SystemKind::DriveCombo ? root.substr(0, 2) : root;
        if (entry.type.kind == SystemKind::DriveCombo) {
          CharLowerBuffA(shown.data(), static_cast<DWORD>(shown.size()));
          if (upper) CharUpperBuffA(shown.data(), static_cast<DWORD>(shown.size()));
        }
        if (lstrcmpiA(root.substr(0, 1).c_str(), current.substr(0, 1).c_str()) == 0) {
          selected = static_cast<int>(entry.paths.size());
        }
        SendMessageA(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
        entry.paths.push_back(root);
      }
      if (entry.type.kind == SystemKind::ShellCombo) {
        SendMessageA(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(current.c_str()));
        entry.paths.push_back(current);
        selected = static_cast<int>(entry.paths.size() - 1);
      }
      SendMessageA(window, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
      break;
    }
    case SystemKind::FilterCombo: {
      SendMessageA(window, CB_RESETCONTENT, 0, 0);
      for (const FilterEntry& filter : filterEntries(control.text("Filter"))) {
        SendMessageA(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(filter.description.c_str()));
        entry.paths.push_back(filter.mask);
      }
      SendMessageA(window, CB_SETCURSEL, 0, 0);
      break;
    }
    case SystemKind::ShellTree:
      SendMessageA(window, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
      for (const std::string& root : driveRoots()) addShellFolder(entry, TVI_ROOT, root, root);
      break;
    case SystemKind::ShellList: {
      SendMessageA(window, LVM_DELETEALLITEMS, 0, 0);
      const std::string folder = shownLocation(control, entry.type.kind);
      std::vector<std::string> names = foldersIn(folder);
      for (const std::string& name : filesIn(folder, "*.*")) names.push_back(name);
      for (const std::string& name : names) {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(entry.paths.size());
        item.pszText = const_cast<char*>(name.c_str());
        SendMessageA(window, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        entry.paths.push_back(joinPath(folder, name));
      }
      break;
    }
    default:
      break;
  }
}

// A folder of a shell tree, shown as expandable until it is opened and found empty.
void Win32DialogWindow::addShellFolder(ControlWindow& entry, HTREEITEM parent,
                                       const std::string& text, const std::string& path) {
  TVINSERTSTRUCTA item{};
  item.hParent = parent;
  item.hInsertAfter = TVI_LAST;
  item.item.mask = TVIF_TEXT | TVIF_CHILDREN | TVIF_PARAM;
  item.item.pszText = const_cast<char*>(text.c_str());
  item.item.cChildren = 1;
  item.item.lParam = static_cast<LPARAM>(entry.paths.size());
  entry.paths.push_back(path);
  SendMessageA(entry.window, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void Win32DialogWindow::expandShellFolder(ControlWindow& entry, HTREEITEM item) {
  if (SendMessageA(entry.window, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item))) {
    return;  // filled before
  }
  TVITEMA parent{};
  parent.mask = TVIF_PARAM;
  parent.hItem = item;
  SendMessageA(entry.window, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&parent));
  const std::string folder = entry.paths[static_cast<size_t>(parent.lParam)];
  const std::vector<std::string> names = foldersIn(folder);
  for (const std::string& name : names) addShellFolder(entry, item, name, joinPath(folder, name));
  if (names.empty()) {
    parent.mask = TVIF_CHILDREN;
    parent.cChildren = 0;
    SendMessageA(entry.window, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&parent));
  }
}

// Opens a shell tree down to its path and selects the deepest folder of it that the tree holds.
void Win32DialogWindow::selectShellPath(ControlWindow& entry) {
  HWND tree = entry.window;
  const auto pathOf = [&](HTREEITEM item) {
    TVITEMA node{};
    node.mask = TVIF_PARAM;
    node.hItem = item;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&node));
    return static_cast<size_t>(node.lParam) < entry.paths.size()
               ? entry.paths[static_cast<size_t>(node.lParam)]
               : std::string();
  };
  const std::string path = entry.control->text("Path");
  HTREEITEM found = nullptr;
  for (const std::string& step : path.empty() ? std::vector<std::string>() : folderChain(path)) {
    if (found) {
      expandShellFolder(entry, found);
      SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(found));
    }
    auto item = reinterpret_cast<HTREEITEM>(SendMessageA(
        tree, TVM_GETNEXTITEM, found ? TVGN_CHILD : TVGN_ROOT, reinterpret_cast<LPARAM>(found)));
    while (item && lstrcmpiA(pathOf(item).c_str(), step.c_str()) != 0) {
      item = reinterpret_cast<HTREEITEM>(
          SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
    }
    if (!item) break;
    found = item;
  }
  if (!found) return;
  SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(found));
  SendMessageA(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(found));
}

void Win32DialogWindow::showGlyph(ControlWindow& entry) {
  entry.glyph.reset();
  if (const auto glyph = glyphFromBlock(entry.control->dataBytes("Glyph"))) {
    if (auto decoded = decodePicture(*glyph, pictures_)) {
      // A glyph holds NumGlyphs images side by side (normal, disabled, ...): the first shows.
      const int count = std::max(entry.control->integer("NumGlyphs"), 1);
      const int width = scale_(decoded->width / count), height = scale_(decoded->height);
      PictureBitmap first;
      BITMAPINFO info{};
      info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
      void* bits = nullptr;
      first.bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
      first.width = width;
      first.height = height;
      HDC dc = CreateCompatibleDC(nullptr);
      HGDIOBJ old = SelectObject(dc, first.bitmap);
      RECT background{0, 0, width, height};
      FillRect(dc, &background, GetSysColorBrush(COLOR_BTNFACE));
      RECT target{0, 0, width * count, height};
      drawPicture(dc, *decoded, target);
      SelectObject(dc, old);
      DeleteDC(dc);
      entry.glyph = std::move(first);
    }
  }
  InvalidateRect(entry.window, nullptr, TRUE);
}

// A button with a glyph: the glyph left of the caption, both centred, moved by a pixel when
// pressed.
void Win32DialogWindow::drawButton(ControlWindow& entry, const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  RECT frame = item.rcItem;
  const bool pressed = item.itemState & ODS_SELECTED;
  if (entry.control->boolean("Default")) {
    FrameRect(dc, &frame, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(&frame, -1, -1);
  }
  DrawFrameControl(dc, &frame, DFC_BUTTON,
                   DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0) |
                       (item.itemState & ODS_DISABLED ? DFCS_INACTIVE : 0));
  const std::string caption = entry.control->text("Caption");
  HGDIOBJ oldFont = SelectObject(dc, entry.font);
  RECT text{0, 0, 0, 0};
  DrawTextA(dc, caption.c_str(), -1, &text, DT_CALCRECT | DT_SINGLELINE);
  const int glyphWidth = entry.glyph ? entry.glyph->width : 0;
  const int glyphHeight = entry.glyph ? entry.glyph->height : 0;
  const int spacing =
      glyphWidth && !caption.empty() ? scale_(entry.control->integer("Spacing")) : 0;
  const int shift = pressed ? 1 : 0;
  int left = (frame.left + frame.right - glyphWidth - spacing - text.right) / 2 + shift;
  const int middle = (frame.top + frame.bottom) / 2 + shift;
  if (entry.glyph) {
    const RECT target{left, middle - glyphHeight / 2, left + glyphWidth,
                      middle - glyphHeight / 2 + glyphHeight};
    drawPicture(dc, *entry.glyph, target);
    left += glyphWidth + spacing;
  }
  RECT textPlace{left, frame.top + shift, left + text.right, frame.bottom + shift};
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(item.itemState & ODS_DISABLED ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
  DrawTextA(dc, caption.c_str(), -1, &textPlace, DT_SINGLELINE | DT_VCENTER);
  SelectObject(dc, oldFont);
  if (item.itemState & ODS_FOCUS) {
    InflateRect(&frame, -3, -3);
    DrawFocusRect(dc, &frame);
  }
}

void Win32DialogWindow::mirror(ControlWindow& entry, bool initial) {
  Control& control = *entry.control;
  HWND window = entry.window;
  if (!window) return;
  const auto& properties = control.kind().properties;
  auto changed = [&](std::string_view name) {
    for (size_t index = 0; index < properties.size(); ++index) {
      if (properties[index]->name == name) {
        return initial || entry.shown[index] != control.text(name);
      }
    }
    return false;
  };
  if (changed("Visible")) ShowWindow(window, control.boolean("Visible") ? SW_SHOWNA : SW_HIDE);
  if (changed("Enabled")) EnableWindow(window, control.boolean("Enabled"));
  const bool tagOne = control.tag() == 1;
  switch (entry.type.kind) {
    case SystemKind::Label:
    case SystemKind::Button:
    case SystemKind::CheckBox:
    case SystemKind::RadioButton:
    case SystemKind::GroupBox:
      if (changed("Caption")) {
        setTextIfDifferent(window, control.text("Caption"));
        if (!initial && tagOne && entry.type.kind == SystemKind::Label) {
          NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, window, OBJID_CLIENT, CHILDID_SELF);
        }
      }
      break;
    case SystemKind::TextPane:
      setTextIfDifferent(window, control.visibleText());
      break;
    case SystemKind::Edit:
      if (changed("Text")) setTextIfDifferent(window, control.text("Text"));
      if (changed("PasswordChar")) {
        const std::string password = control.text("PasswordChar");
        SendMessageA(window, EM_SETPASSWORDCHAR,
                     password.empty() ? 0 : static_cast<unsigned char>(password[0]), 0);
      }
      break;
    case SystemKind::Memo:
    case SystemKind::RichEdit:
      if (changed("Lines")) {
        const std::string text = textFromLines(control.text("Lines"));
        if (entry.type.kind == SystemKind::RichEdit && isRtf(text)) {
          StreamSource source{&text, 0};
          EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, readStream};
          SendMessageA(window, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
        } else {
          setTextIfDifferent(window, text);
        }
      }
      break;
    case SystemKind::ListBox:
      if (changed("Items")) fillContents(entry);
      if (changed("Items") || changed("ItemIndex")) {
        SendMessageA(window, LB_SETCURSEL, static_cast<WPARAM>(control.itemIndex()), 0);
      }
      break;
    case SystemKind::ComboBox:
      if (changed("Items")) fillContents(entry);
      if (changed("Items") || changed("ItemIndex")) {
        SendMessageA(window, CB_SETCURSEL, static_cast<WPARAM>(control.itemIndex()), 0);
      }
      if ((changed("Text") || changed("ItemIndex")) && control.itemIndex() < 0) {
        setTextIfDifferent(window, control.text("Text"));
      }
      break;
    case SystemKind::ProgressBar:
      if (changed("Min") || changed("Max") || changed("Position")) {
        SendMessageA(window, PBM_SETRANGE32, static_cast<WPARAM>(control.integer("Min")),
                     control.integer("Max"));
        SendMessageA(window, PBM_SETPOS, static_cast<WPARAM>(control.position()), 0);
        if (!initial && tagOne) {
          NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, window, OBJID_CLIENT, CHILDID_SELF);
        }
      }
      break;
    case SystemKind::TrackBar:
      if (changed("Min") || changed("Max") || changed("Position") || changed("Frequency")) {
        SendMessageA(window, TBM_SETRANGEMIN, FALSE, control.integer("Min"));
        SendMessageA(window, TBM_SETRANGEMAX, FALSE, control.integer("Max"));
        SendMessageA(window, TBM_SETTICFREQ, static_cast<WPARAM>(control.integer("Frequency")), 0);
        SendMessageA(window, TBM_SETPOS, TRUE, control.position());
      }
      break;
    case SystemKind::UpDown:
      if (changed("Min") || changed("Max") || changed("Position")) {
        SendMessageA(window, UDM_SETRANGE32, static_cast<WPARAM>(control.integer("Min")),
                     control.integer("Max"));
        SendMessageA(window, UDM_SETPOS32, 0, control.position());
      }
      break;
    case SystemKind::TreeView:
      if (changed("Items")) fillContents(entry);
      break;
    case SystemKind::FileList:
    case SystemKind::DirectoryList:
    case SystemKind::DriveCombo:
    case SystemKind::ShellList:
    case SystemKind::ShellCombo:
      // Creation filled them from the model already.
      if (!initial && changed(locationProperty(entry.type.kind))) fillContents(entry);
      break;
    case SystemKind::ShellTree:
      if (changed("Path")) {
        if (!initial) fillContents(entry);
        selectShellPath(entry);
      }
      break;
    case SystemKind::Animation:
      if (changed("CommonAVI") || changed("FileName") || changed("Active")) {
        const int common = commonAnimation(control.text("CommonAVI"));
        const std::string file = control.text("FileName");
        if (common) {
          // The engine imports shell32 (the folder picker), so it is loaded already.
          SendMessageA(window, ACM_OPENA, reinterpret_cast<WPARAM>(GetModuleHandleA("shell32.dll")),
                       static_cast<LPARAM>(common));
        } else if (!file.empty()) {
          SendMessageA(window, ACM_OPENA, 0, reinterpret_cast<LPARAM>(file.c_str()));
        }
        if (control.boolean("Active")) {
          const int repetitions = control.integer("Repetitions");
          SendMessageA(
              window, ACM_PLAY, static_cast<WPARAM>(repetitions > 0 ? repetitions : -1),
              MAKELPARAM(control.integer("StartFrame") - 1, control.integer("StopFrame") > 0
                                                                ? control.integer("StopFrame") - 1
                                                                : 0xFFFF));
        } else {
          SendMessageA(window, ACM_STOP, 0, 0);
        }
      }
      break;
    case SystemKind::Drawn: {
      bool any = initial;
      for (size_t index = 0; index < properties.size(); ++index) {
        any = any || entry.shown[index] != control.text(properties[index]->name);
      }
      if (entry.drawn && entry.drawn->checks.size() != control.lines("Items").size()) {
        entry.drawn->checks.resize(control.lines("Items").size(), false);
      }
      if (any && !initial) refreshDrawnControl(window);
      break;
    }
    default:
      break;
  }
  if (entry.type.kind == SystemKind::CheckBox || entry.type.kind == SystemKind::RadioButton) {
    if (changed("Checked") || changed("State")) {
      WPARAM state = control.checked() ? BST_CHECKED : BST_UNCHECKED;
      if (control.findProperty("State") && control.text("State") == "cbGrayed") {
        state = BST_INDETERMINATE;
      }
      SendMessageA(window, BM_SETCHECK, state, 0);
    }
  }
  if (control.findProperty("Glyph") && changed("Glyph")) showGlyph(entry);
  if (control.findProperty("MaxLength") && changed("MaxLength")) {
    const UINT limit =
        entry.type.windowClass == std::string_view("COMBOBOX") ? CB_LIMITTEXT : EM_LIMITTEXT;
    SendMessageA(window, limit, static_cast<WPARAM>(std::max(control.maxLength(), 0)), 0);
  }
  if (control.findProperty("ReadOnly") && changed("ReadOnly") &&
      entry.type.windowClass != std::string_view("SysTreeView32")) {
    SendMessageA(window, EM_SETREADONLY, control.boolean("ReadOnly"), 0);
  }
  entry.shown = propertyTexts(control);
}

void Win32DialogWindow::update() {
  updating_ = true;
  Changes changes;
  noteChanges(form_.host, hostShown_, changes);
  for (ControlWindow& entry : controls_) noteChanges(*entry.control, entry.shown, changes);
  hostShown_ = propertyTexts(form_.host);
  setTextIfDifferent(window_, form_.host.text("Caption"));
  if (changes.clientSize) resizeClient();
  for (ControlWindow& entry : controls_) mirror(entry, false);
  if (changes.fonts) applyFonts();
  if (changes.colours) applyColours();
  if (changes.places || changes.clientSize) layout();
  updating_ = false;
}

void Win32DialogWindow::record(ControlWindow& entry, std::string_view property) {
  const auto& properties = entry.control->kind().properties;
  for (size_t index = 0; index < properties.size(); ++index) {
    if (properties[index]->name == property) entry.shown[index] = entry.control->text(property);
  }
}

void Win32DialogWindow::setModel(ControlWindow& entry, std::string_view property,
                                 const std::string& text) {
  if (!entry.control->findProperty(property)) return;
  try {
    entry.control->setPropertyText(property, text);
  } catch (const PropertyError&) {
    return;  // a value the model refuses keeps the model's own
  }
  record(entry, property);
}

void Win32DialogWindow::report(ControlWindow& entry, ControlEvent event, std::string_view detail) {
  events_.controlEvent(entry.control->name(), event, detail);
}

void Win32DialogWindow::onCommand(ControlWindow& entry, WORD code) {
  HWND window = entry.window;
  const auto selection = [&](UINT message) {
    return static_cast<int>(SendMessageA(window, message, 0, 0));
  };
  const auto pathAt = [&](int item) {
    return item >= 0 && static_cast<size_t>(item) < entry.paths.size()
               ? entry.paths[static_cast<size_t>(item)]
               : std::string();
  };
  switch (entry.type.kind) {
    case SystemKind::Edit:
      if (code != EN_CHANGE) return;
      setModel(entry, "Text", windowText(window));
      report(entry, ControlEvent::Change);
      return;
    case SystemKind::Memo:
    case SystemKind::RichEdit:
      if (code != EN_CHANGE) return;
      setModel(entry, "Lines", linesFromText(windowText(window)));
      report(entry, ControlEvent::Change);
      return;
    case SystemKind::Label:
    case SystemKind::Button:
      if (code == BN_CLICKED) report(entry, ControlEvent::Click);
      return;
    case SystemKind::CheckBox: {
      if (code != BN_CLICKED) return;
      const LRESULT state = SendMessageA(window, BM_GETCHECK, 0, 0);
      setModel(entry, "Checked", state == BST_CHECKED ? "True" : "False");
      setModel(entry, "State",
               state == BST_CHECKED         ? "cbChecked"
               : state == BST_INDETERMINATE ? "cbGrayed"
                                            : "cbUnchecked");
      report(entry, ControlEvent::Click);
      return;
    }
    case SystemKind::RadioButton: {
      if (code != BN_CLICKED) return;
      // Radio buttons of one container form one group, wherever they are in the tab order.
      for (ControlWindow& other : controls_) {
        if (&other == &entry || other.type.kind != SystemKind::RadioButton ||
            other.control->parent() != entry.control->parent()) {
          continue;
        }
        setModel(other, "Checked", "False");
        SendMessageA(other.window, BM_SETCHECK, BST_UNCHECKED, 0);
      }
      setModel(entry, "Checked", "True");
      SendMessageA(window, BM_SETCHECK, BST_CHECKED, 0);
      report(entry, ControlEvent::Click);
      return;
    }
    case SystemKind::ListBox:
      if (code != LBN_SELCHANGE) return;
      setModel(entry, "ItemIndex", std::to_string(selection(LB_GETCURSEL)));
      report(entry, ControlEvent::Click);
      return;
    case SystemKind::ComboBox:
      if (code == CBN_SELCHANGE) {
        const int item = selection(CB_GETCURSEL);
        std::string text(
            static_cast<size_t>(std::max<LRESULT>(
                SendMessageA(window, CB_GETLBTEXTLEN, static_cast<WPARAM>(item), 0), 0)) +
                1,
            '\0');
        text.resize(static_cast<size_t>(
            std::max<LRESULT>(SendMessageA(window, CB_GETLBTEXT, static_cast<WPARAM>(item),
                                           reinterpret_cast<LPARAM>(text.data())),
                              0)));
        setModel(entry, "ItemIndex", std::to_string(item));
        setModel(entry, "Text", text);
        report(entry, ControlEvent::Change);
        report(entry, ControlEvent::Click);
      } else if (code == CBN_EDITCHANGE) {
        const std::string text = windowText(window);
        setModel(entry, "Text", text);
        setModel(entry, "ItemIndex",
                 std::to_string(static_cast<int>(
                     SendMessageA(window, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                  reinterpret_cast<LPARAM>(text.c_str())))));
        report(entry, ControlEvent::Change);
      }
      return;
    case SystemKind::FileList:
      if (code != LBN_SELCHANGE) return;
      setModel(entry, "ItemIndex", std::to_string(selection(LB_GETCURSEL)));
      report(entry, ControlEvent::Change, pathAt(selection(LB_GETCURSEL)));
      return;
    case SystemKind::DirectoryList:
      if (code == LBN_SELCHANGE) {
        const std::string folder = pathAt(selection(LB_GETCURSEL));
        setModel(entry, "Directory", folder);
        report(entry, ControlEvent::Change, folder);
      } else if (code == LBN_DBLCLK) {
        // Opening a folder lists its subfolders.
        const std::string folder = pathAt(selection(LB_GETCURSEL));
        if (folder.empty()) return;
        setModel(entry, "Directory", folder);
        fillContents(entry);
      }
      return;
    case SystemKind::DriveCombo:
    case SystemKind::FilterCombo:
    case SystemKind::ShellCombo:
      if (code == CBN_SELCHANGE) {
        const std::string path = pathAt(selection(CB_GETCURSEL));
        if (entry.type.kind == SystemKind::DriveCombo) setModel(entry, "Drive", path.substr(0, 1));
        if (entry.type.kind == SystemKind::ShellCombo) setModel(entry, "Path", path);
        report(entry, ControlEvent::Change, path);
      }
      return;
    case SystemKind::Drawn:
      if (entry.control->isKind("TCheckListBox")) {
        if (code == LBN_SELCHANGE) report(entry, ControlEvent::Click);
        if (code == kCheckListCheckChanged) report(entry, ControlEvent::ClickCheck);
      } else if (code == BN_CLICKED && entry.control->isKind("TShape")) {
        report(entry, ControlEvent::MouseUp);
      } else if (code == BN_CLICKED && entry.control->isKind("TImage")) {
        report(entry, ControlEvent::Click);
      }
      return;
    default:
      return;
  }
}

void Win32DialogWindow::onNotify(ControlWindow& entry, const NMHDR& header) {
  if (entry.type.kind == SystemKind::TreeView &&
      (header.code == TVN_SELCHANGEDA || header.code == TVN_SELCHANGEDW)) {
    // The path of the selected node: its texts from the root, joined by backslashes.
    std::string path;
    auto item =
        reinterpret_cast<HTREEITEM>(SendMessageA(entry.window, TVM_GETNEXTITEM, TVGN_CARET, 0));
    while (item) {
      char text[260] = {};
      TVITEMA node{};
      node.mask = TVIF_TEXT;
      node.hItem = item;
      node.pszText = text;
      node.cchTextMax = sizeof text;
      SendMessageA(entry.window, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&node));
      path = path.empty() ? std::string(text) : std::string(text) + "\\" + path;
      item = reinterpret_cast<HTREEITEM>(
          SendMessageA(entry.window, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(item)));
    }
    report(entry, ControlEvent::Change, path);
  } else if (entry.type.kind == SystemKind::ShellTree) {
    const auto& tree = reinterpret_cast<const NMTREEVIEWA&>(header);
    if (header.code == TVN_ITEMEXPANDINGA || header.code == TVN_ITEMEXPANDINGW) {
      if (tree.action & TVE_EXPAND) expandShellFolder(entry, tree.itemNew.hItem);
    } else if (!updating_ && (header.code == TVN_SELCHANGEDA || header.code == TVN_SELCHANGEDW)) {
      TVITEMA node{};
      node.mask = TVIF_PARAM;
      node.hItem = tree.itemNew.hItem;
      SendMessageA(entry.window, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&node));
      if (static_cast<size_t>(node.lParam) < entry.paths.size()) {
        const std::string path = entry.paths[static_cast<size_t>(node.lParam)];
        setModel(entry, "Path", path);
        report(entry, ControlEvent::Change, path);
      }
    }
  } else if (entry.type.kind == SystemKind::ShellList && header.code == LVN_ITEMCHANGED) {
    const auto& list = reinterpret_cast<const NMLISTVIEW&>(header);
    if ((list.uNewState & LVIS_SELECTED) && !(list.uOldState & LVIS_SELECTED) &&
        static_cast<size_t>(list.iItem) < entry.paths.size()) {
      report(entry, ControlEvent::Change, entry.paths[static_cast<size_t>(list.iItem)]);
    }
  }
}

void Win32DialogWindow::onScroll(ControlWindow& entry) {
  if (entry.type.kind == SystemKind::TrackBar) {
    const std::string position =
        std::to_string(static_cast<int>(SendMessageA(entry.window, TBM_GETPOS, 0, 0)));
    if (position == entry.control->text("Position")) return;
    setModel(entry, "Position", position);
    report(entry, ControlEvent::Change);
  } else if (entry.type.kind == SystemKind::UpDown) {
    setModel(entry, "Position",
             std::to_string(static_cast<int>(SendMessageA(entry.window, UDM_GETPOS32, 0, 0))));
  }
}

Win32DialogWindow::ControlWindow* Win32DialogWindow::entryById(int id) {
  const int index = id - kFirstControlId;
  if (index < 0 || static_cast<size_t>(index) >= controls_.size()) return nullptr;
  return &controls_[static_cast<size_t>(index)];
}

Win32DialogWindow::ControlWindow* Win32DialogWindow::entryOf(HWND control) {
  ControlWindow* entry = entryById(GetDlgCtrlID(control));
  return entry && entry->window == control ? entry : nullptr;
}

Win32DialogWindow::ControlWindow* Win32DialogWindow::findEntry(std::string_view name) {
  if (name.empty()) return nullptr;
  const Control* control = form_.findControl(name);
  if (!control) return nullptr;
  return &controls_[static_cast<size_t>(control - form_.controls().data())];
}

HBRUSH Win32DialogWindow::colourControl(HDC dc, HWND control) {
  ControlWindow* entry = entryOf(control);
  if (!entry) return nullptr;
  const PropertyHolder& fontOwner = fontHolder(*entry->control);
  SetTextColor(dc, fontColour(fontOwner));
  switch (entry->type.kind) {
    case SystemKind::Edit:
    case SystemKind::Memo:
    case SystemKind::ListBox:
    case SystemKind::ComboBox:
    case SystemKind::FileList:
    case SystemKind::DirectoryList:
      // Boxes the user types or picks in keep the window colour unless the author chose one.
      if (entry->control->boolean("ParentColor") || entry->control->text("Color") == "clBtnFace") {
        return nullptr;
      }
      SetBkColor(dc, entry->background);
      return entry->brush;
    default:
      break;
  }
  SetBkColor(dc, entry->background);
  if (entry->control->findProperty("Transparent") && entry->control->boolean("Transparent")) {
    SetBkMode(dc, TRANSPARENT);
  }
  return entry->brush;
}

int Win32DialogWindow::monitorDpi() const {
  return static_cast<int>(dpiOf(window_));
}

void Win32DialogWindow::rescale(int dpi, const RECT* suggested) {
  scale_.screenDpi = dpi;
  designClient_ = {scale_(form_.host.integer("ClientWidth")),
                   scale_(form_.host.integer("ClientHeight"))};
  for (ControlWindow& entry : controls_) {
    if (entry.drawn) entry.drawn->scale = scale_;
    if (entry.control->findProperty("Glyph")) showGlyph(entry);
  }
  if (suggested) {
    SetWindowPos(window_, nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  applyFonts();
  layout();
  InvalidateRect(window_, nullptr, TRUE);
}

void Win32DialogWindow::prepareSystemMenu() {
  HMENU menu = GetSystemMenu(window_, FALSE);
  if (!menu) return;
  EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
  if (GetMenuState(menu, kAboutCommand, MF_BYCOMMAND) == static_cast<UINT>(-1)) {
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, kAboutCommand, "About");
  }
}

LRESULT CALLBACK Win32DialogWindow::windowProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self =
        static_cast<Win32DialogWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Win32DialogWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!self) return DefWindowProcA(window, message, wParam, lParam);
  return self->handleMessage(message, wParam, lParam);
}

LRESULT Win32DialogWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      if (updating_) return 0;
      ControlWindow* entry = lParam ? entryOf(reinterpret_cast<HWND>(lParam)) : nullptr;
      if (!entry && LOWORD(wParam) == IDCANCEL) {
        // Escape presses the cancel button.
        for (ControlWindow& candidate : controls_) {
          if (candidate.type.kind == SystemKind::Button && candidate.control->boolean("Cancel") &&
              IsWindowEnabled(candidate.window) && IsWindowVisible(candidate.window)) {
            entry = &candidate;
            break;
          }
        }
      }
      if (entry) onCommand(*entry, lParam ? HIWORD(wParam) : static_cast<WORD>(BN_CLICKED));
      return 0;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (ControlWindow* entry = entryOf(header->hwndFrom)) {
        // Expanding a shell tree's folder is not the user's change of the model.
        if (!updating_ || entry->type.kind == SystemKind::ShellTree) onNotify(*entry, *header);
      }
      return 0;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (ControlWindow* entry = lParam ? entryOf(reinterpret_cast<HWND>(lParam)) : nullptr) {
        if (!updating_) onScroll(*entry);
      }
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      if (HBRUSH brush =
              colourControl(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam))) {
        return reinterpret_cast<LRESULT>(brush);
      }
      return DefWindowProcA(window_, message, wParam, lParam);
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      ControlWindow* entry = entryOf(item->hwndItem);
      if (!entry || entry->type.kind != SystemKind::Button) break;
      drawButton(*entry, *item);
      return TRUE;
    }
    case DM_GETDEFID:
      for (size_t index = 0; index < controls_.size(); ++index) {
        const ControlWindow& entry = controls_[index];
        if (entry.type.kind == SystemKind::Button && entry.control->boolean("Default") &&
            IsWindowVisible(entry.window) && IsWindowEnabled(entry.window)) {
          return MAKELRESULT(kFirstControlId + static_cast<int>(index), DC_HASDEFID);
        }
      }
      return 0;
    case WM_NEXTDLGCTL: {
      // The dialog manager moves the focus with this (Tab, Alt+letter on a label).
      HWND next = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                 : GetNextDlgTabItem(window_, GetFocus(), wParam != 0);
      if (next) SetFocus(next);
      if (next && (SendMessageA(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)) {
        SendMessageA(next, EM_SETSEL, 0, -1);
      }
      return 0;
    }
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(window_, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, brush_);
      return 1;
    }
    case WM_SIZE:
      layout();
      return 0;
    case WM_DPICHANGED:
      rescale(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_TIMER:
      if (wParam == kRefreshTimer) {
        events_.refreshTimer();
      } else if (wParam == kPageRefreshTimer) {
        KillTimer(window_, kPageRefreshTimer);
        events_.pageRefreshTimer();
      }
      return 0;
    case WM_ACTIVATE:
      // As the dialog manager does: the focus leaves with the window and comes back to the
      // control that had it (the first tab stop at first), never to the window itself, which
      // takes no keys.
      if (LOWORD(wParam) == WA_INACTIVE) {
        if (HWND focused = GetFocus(); focused && IsChild(window_, focused)) lastFocus_ = focused;
      } else {
        restoreFocus();
      }
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == kAboutCommand) {
        MessageBoxA(window_,
                    "This setup runs on the Kestrix engine.\n\nKestrix builds its pages from the "
                    "author's dialogs and installs what the setup script says.",
                    "About", MB_OK | MB_ICONINFORMATION);
        return 0;
      }
      if ((wParam & 0xFFF0) == SC_CLOSE) {
        if (events_.closeRequested()) ShowWindow(window_, SW_HIDE);
        return 0;
      }
      break;
    case WM_CLOSE:
      if (events_.closeRequested()) ShowWindow(window_, SW_HIDE);
      return 0;
    case WM_DESTROY:
      // The names' atoms are global: give them back before the windows go.
      for (ControlWindow& entry : controls_) {
        if (entry.window) RemovePropA(entry.window, kControlNameProperty);
        if (entry.nameAtom) GlobalDeleteAtom(entry.nameAtom);
        entry.nameAtom = 0;
      }
      if (HANDLE atom = RemovePropA(window_, kControlNameProperty)) {
        GlobalDeleteAtom(static_cast<ATOM>(reinterpret_cast<uintptr_t>(atom)));
      }
      KillTimer(window_, kRefreshTimer);
      KillTimer(window_, kPageRefreshTimer);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window_, message, wParam, lParam);
}

WindowHandle Win32DialogWindow::handle() const {
  return reinterpret_cast<WindowHandle>(window_);
}

ScreenRect Win32DialogWindow::bounds() const {
  RECT rect;
  GetWindowRect(window_, &rect);
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

void Win32DialogWindow::moveTo(int left, int top) {
  SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32DialogWindow::bringToFront() {
  prepareSystemMenu();
  ShowWindow(window_, SW_SHOW);
  SetForegroundWindow(window_);
  BringWindowToTop(window_);
  restoreFocus();
}

void Win32DialogWindow::restoreFocus() {
  HWND focused = GetFocus();
  if (focused && IsChild(window_, focused)) return;
  if (!lastFocus_ || !IsChild(window_, lastFocus_) || !IsWindowVisible(lastFocus_) ||
      !IsWindowEnabled(lastFocus_)) {
    lastFocus_ = GetNextDlgTabItem(window_, nullptr, FALSE);
  }
  if (lastFocus_) SetFocus(lastFocus_);
}

void Win32DialogWindow::hide() {
  ShowWindow(window_, SW_HIDE);
}

void Win32DialogWindow::setRedraw(bool on) {
  SendMessageA(window_, WM_SETREDRAW, on, 0);
  if (on)
    RedrawWindow(window_, nullptr, nullptr,
                 RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void Win32DialogWindow::focusControl(std::string_view control) {
  if (ControlWindow* entry = findEntry(control)) {
    if (entry->window && IsWindowVisible(entry->window) && IsWindowEnabled(entry->window)) {
      SetFocus(entry->window);
    }
  }
}

void Win32DialogWindow::startPageRefreshTimer(int milliseconds) {
  SetTimer(window_, kPageRefreshTimer, static_cast<UINT>(std::max(milliseconds, 1)), nullptr);
}

void Win32DialogWindow::stopPageRefreshTimer() {
  KillTimer(window_, kPageRefreshTimer);
}

}  // namespace kx
