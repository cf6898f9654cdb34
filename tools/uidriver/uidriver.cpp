// uidriver: drives the engine's windows from tests the way a person would. Runs in the same Wine
// prefix as the engine, waits for a top-level window by caption or class, prints its controls
// and acts on them, addressing each control by the component name its author gave it.
//
//   uidriver [--title TEXT] [--class NAME] [--form NAME] [--timeout SECONDS] ACTION...
//   uidriver [--title TEXT] [--class NAME] [--form NAME] [--timeout SECONDS] --gone
//   uidriver [--title TEXT] [--class NAME] [--form NAME] --absent SECONDS
// (--form picks a dialog by the form name its definition gives it.)
//
// Actions, run in the order given once the window is found:
//   --dump                 print the window and every control (below)
//   --press TEXT           click the button whose text, without "&" marks, is TEXT
//   --click NAME           click the control NAME (BM_CLICK for buttons, the mouse otherwise)
//   --type NAME TEXT       replace the text of the edit (or editable combo box) NAME, as typing
//                          does: select all, then replace the selection (EN_CHANGE follows)
//   --pick NAME ITEM       select the list or combo box item whose text is ITEM, or the item
//                          numbered N (0-based) when ITEM is "#N", and notify the dialog as a
//                          user's pick does (LBN_SELCHANGE, CBN_SELCHANGE)
//   --slide NAME POSITION  move a track bar's thumb, notifying the dialog (WM_HSCROLL/VSCROLL)
//   --keys KEYS            bring the window to the front and press keys with SendInput: a list
//                          of chords separated by blanks, each a key with optional modifiers,
//                          e.g. "Tab Shift+Tab Enter Space Escape Alt+N Alt+F4"
//   --move LEFT TOP        move the window (as dragging its caption would)
//   --wait-text NAME TEXT  wait (within the time-out) until the text of control NAME is TEXT
//   --sleep SECONDS        let the engine catch up
// Without --dump among them, the window is printed once before the first action.
//
// Output, one line each (control rectangles are relative to the dialog's client area):
//   window class=<class> title=<text> rect=<left>,<top>,<width>,<height> client=<width>,<height>
//     name=<form name>
//   control class=<class> id=<id> text=<text> rect=<x>,<y>,<width>,<height> visible=<0|1>
//     enabled=<0|1> focused=<0|1> name=<author's name> checked=<0|1|2|-> [role=<MSAA role>
//     state=<MSAA state, hex> accname=<MSAA name>] value=<value>
// (each on one line). The MSAA fields come only for controls that are not the system's own.
// The value is the edit text, "<index>:<text>" of a list or combo box selection (-1: none),
// "<position> of <min>..<max>" for progress bars, track bars and up-down controls, the MSAA
// value for drawn controls, empty otherwise.
// Exit code 0 when the window was found and every action succeeded, 1 on a time-out or a failed
// action, 2 for bad arguments. --gone waits until no such window exists any more; --absent
// watches for SECONDS that no such window, visible or hidden, is ever created (1 when one is).
#include <windows.h>
// After windows.h:
#include <commctrl.h>
#include <oleacc.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Selector {
  std::string title;
  std::string className;
  std::string formName;
  bool hiddenToo = false;
};

struct Search {
  const Selector* selector;
  HWND found;
};

std::string windowText(HWND window) {
  char text[8192] = {};
  // WM_GETTEXT rather than GetWindowText: the latter does not read other processes' controls.
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, 2000, nullptr);
  return text;
}

std::string className(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

// The component name the engine stores as a global atom in the window's "KxControlName".
std::string authorName(HWND window) {
  const auto atom =
      static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropA(window, "KxControlName")));
  if (atom == 0) return {};
  char name[256] = {};
  GlobalGetAtomNameA(atom, name, sizeof name);
  return name;
}

bool sameClass(const std::string& name, const char* expected) {
  return lstrcmpiA(name.c_str(), expected) == 0;
}

bool startsWithClass(const std::string& name, const char* prefix) {
  return _strnicmp(name.c_str(), prefix, std::strlen(prefix)) == 0;
}

// The system's own controls answer for themselves; the others are drawn by the engine.
bool isSystemControl(const std::string& name) {
  static const char* const kSystem[] = {
      "Static",       "Edit",         "Button",          "ListBox",       "ComboBox",
      "ComboLBox",    "ScrollBar",    "SysTreeView32",   "SysListView32", "SysHeader32",
      "SysAnimate32", "ComboBoxEx32", "tooltips_class32"};
  for (const char* system : kSystem)
    if (sameClass(name, system)) return true;
  return startsWithClass(name, "msctls_") || startsWithClass(name, "RichEdit") ||
         startsWithClass(name, "RICHEDIT");
}

// Button texts as a person reads them: without the accelerator marks.
std::string withoutAccelerators(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\t')
      out += "\\t";
    else
      out += c;
  }
  return out;
}

std::string narrow(const wchar_t* text) {
  if (!text) return {};
  const int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? size - 1 : 0, '\0');
  if (size > 1) WideCharToMultiByte(CP_ACP, 0, text, -1, out.data(), size, nullptr, nullptr);
  return out;
}

LRESULT send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
  return static_cast<LRESULT>(result);
}

BOOL CALLBACK matchTopLevel(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  if (!search->selector->hiddenToo && !IsWindowVisible(window)) return TRUE;
  if (!search->selector->title.empty() && windowText(window) != search->selector->title)
    return TRUE;
  if (!search->selector->className.empty() && className(window) != search->selector->className)
    return TRUE;
  if (!search->selector->formName.empty() &&
      lstrcmpiA(authorName(window).c_str(), search->selector->formName.c_str()) != 0)
    return TRUE;
  search->found = window;
  return FALSE;
}

HWND findWindow(const Selector& selector) {
  Search search{&selector, nullptr};
  EnumWindows(matchTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

BOOL CALLBACK collectControl(HWND control, LPARAM parameter) {
  reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(control);
  return TRUE;
}

std::vector<HWND> controlsOf(HWND window) {
  std::vector<HWND> controls;
  EnumChildWindows(window, collectControl, reinterpret_cast<LPARAM>(&controls));
  return controls;
}

HWND controlNamed(HWND window, const std::string& name) {
  for (HWND control : controlsOf(window))
    if (lstrcmpiA(authorName(control).c_str(), name.c_str()) == 0) return control;
  return nullptr;
}

HWND focusedControl(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

std::string checkState(HWND control, const std::string& kind) {
  if (!sameClass(kind, "Button")) return "-";
  const LONG type = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
  const bool checkable = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
                         type == BS_AUTO3STATE || type == BS_RADIOBUTTON ||
                         type == BS_AUTORADIOBUTTON;
  return checkable ? std::to_string(send(control, BM_GETCHECK)) : "-";
}

// Read in UTF-16: Wine hands the items of another process's list to ANSI callers as UTF-16.
std::string itemText(HWND control, bool combo, LRESULT index) {
  if (index < 0) return {};
  const LRESULT length = send(control, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, index);
  if (length < 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageTimeoutW(control, combo ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(index),
                      reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000, nullptr);
  return narrow(text.c_str());
}

std::string range(long position, long minimum, long maximum) {
  return std::to_string(position) + " of " + std::to_string(minimum) + ".." +
         std::to_string(maximum);
}

std::string systemValue(HWND control, const std::string& kind, const std::string& text) {
  if (sameClass(kind, "Edit") || startsWithClass(kind, "RichEdit") ||
      startsWithClass(kind, "RICHEDIT"))
    return text;
  if (sameClass(kind, "ListBox")) {
    const LRESULT index = send(control, LB_GETCURSEL);
    return std::to_string(index) + ":" + itemText(control, false, index);
  }
  if (sameClass(kind, "ComboBox")) {
    const LRESULT index = send(control, CB_GETCURSEL);
    return std::to_string(index) + ":" + text;
  }
  if (sameClass(kind, PROGRESS_CLASSA))
    return range(static_cast<long>(send(control, PBM_GETPOS)),
                 static_cast<long>(send(control, PBM_GETRANGE, TRUE)),
                 static_cast<long>(send(control, PBM_GETRANGE, FALSE)));
  if (sameClass(kind, TRACKBAR_CLASSA))
    return range(static_cast<long>(send(control, TBM_GETPOS)),
                 static_cast<long>(send(control, TBM_GETRANGEMIN)),
                 static_cast<long>(send(control, TBM_GETRANGEMAX)));
  if (sameClass(kind, UPDOWN_CLASSA)) {
    // The 32-bit range would be written into pointers of the engine's memory: read the packed
    // 16-bit one that comes back as the result.
    const auto packed = static_cast<DWORD>(send(control, UDM_GETRANGE));
    return range(static_cast<long>(send(control, UDM_GETPOS32)), static_cast<short>(HIWORD(packed)),
                 static_cast<short>(LOWORD(packed)));
  }
  return {};
}

// Role, state, name and value as a screen reader reads them from a control the engine draws.
struct Accessible {
  bool found = false;
  long role = 0;
  long state = 0;
  std::string name;
  std::string value;
};

Accessible accessibleOf(HWND control) {
  Accessible result;
  IAccessible* object = nullptr;
  // __uuidof, not IID_IAccessible: the import library's IID_IAccessible is a thunk, not data.
  if (FAILED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT),
                                        __uuidof(IAccessible),
                                        reinterpret_cast<void**>(&object))) ||
      !object)
    return result;
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  VARIANT answer;
  VariantInit(&answer);
  if (SUCCEEDED(object->get_accRole(self, &answer)) && answer.vt == VT_I4) {
    result.found = true;
    result.role = answer.lVal;
  }
  VariantClear(&answer);
  if (SUCCEEDED(object->get_accState(self, &answer)) && answer.vt == VT_I4)
    result.state = answer.lVal;
  VariantClear(&answer);
  BSTR text = nullptr;
  if (SUCCEEDED(object->get_accName(self, &text))) result.name = narrow(text);
  SysFreeString(text);
  text = nullptr;
  if (SUCCEEDED(object->get_accValue(self, &text))) result.value = narrow(text);
  SysFreeString(text);
  object->Release();
  return result;
}

void printControl(HWND dialog, HWND control, HWND focus) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&rect), 2);
  const std::string kind = className(control);
  const std::string text = windowText(control);
  std::string line = "control class=" + kind + " id=" + std::to_string(GetDlgCtrlID(control)) +
                     " text=" + escaped(text) + " rect=" + std::to_string(rect.left) + "," +
                     std::to_string(rect.top) + "," + std::to_string(rect.right - rect.left) + "," +
                     std::to_string(rect.bottom - rect.top) +
                     " visible=" + (IsWindowVisible(control) ? "1" : "0") +
                     " enabled=" + (IsWindowEnabled(control) ? "1" : "0") +
                     " focused=" + (control == focus ? "1" : "0") + " name=" + authorName(control) +
                     " checked=" + checkState(control, kind);
  std::string value;
  if (isSystemControl(kind)) {
    value = systemValue(control, kind, text);
  } else {
    const Accessible accessible = accessibleOf(control);
    if (accessible.found) {
      char state[16];
      std::snprintf(state, sizeof state, "%lx", accessible.state);
      line += " role=" + std::to_string(accessible.role) + " state=" + state +
              " accname=" + escaped(accessible.name);
      value = accessible.value;
    }
  }
  std::printf("%s value=%s\n", line.c_str(), escaped(value).c_str());
}

void printWindow(HWND window) {
  RECT rect, client;
  GetWindowRect(window, &rect);
  GetClientRect(window, &client);
  std::printf("window class=%s title=%s rect=%ld,%ld,%ld,%ld client=%ld,%ld name=%s\n",
              className(window).c_str(), escaped(windowText(window)).c_str(), rect.left, rect.top,
              rect.right - rect.left, rect.bottom - rect.top, client.right, client.bottom,
              authorName(window).c_str());
  const HWND focus = focusedControl(window);
  for (HWND control : controlsOf(window)) printControl(window, control, focus);
  std::fflush(stdout);
}

bool failed(const std::string& what) {
  std::fprintf(stderr, "uidriver: %s\n", what.c_str());
  return false;
}

// Sends a click and goes on after a second at most: a click may open a modal box (the cancel
// question) that another run of the driver answers.
void clickButton(HWND button) {
  SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, 1000, nullptr);
}

bool pressButton(HWND window, const std::string& text) {
  for (HWND control : controlsOf(window)) {
    if (className(control) == "Button" && withoutAccelerators(windowText(control)) == text) {
      clickButton(control);
      return true;
    }
  }
  return failed("no button " + text);
}

bool click(HWND control) {
  if (sameClass(className(control), "Button")) {
    clickButton(control);
    return true;
  }
  RECT client;
  GetClientRect(control, &client);
  const LPARAM middle = MAKELPARAM(client.right / 2, client.bottom / 2);
  PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, middle);
  PostMessageA(control, WM_LBUTTONUP, 0, middle);
  return true;
}

BOOL CALLBACK findEdit(HWND child, LPARAM parameter) {
  if (!sameClass(className(child), "Edit")) return TRUE;
  *reinterpret_cast<HWND*>(parameter) = child;
  return FALSE;
}

bool typeInto(HWND control, const std::string& text) {
  HWND edit = control;
  if (sameClass(className(control), "ComboBox")) {
    edit = nullptr;
    EnumChildWindows(control, findEdit, reinterpret_cast<LPARAM>(&edit));
    if (!edit) return failed("the combo box cannot be typed into");
  }
  send(edit, EM_SETSEL, 0, -1);
  send(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
  return true;
}

void notifyParent(HWND control, WORD code) {
  send(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
       reinterpret_cast<LPARAM>(control));
}

bool pick(HWND control, const std::string& item) {
  const std::string kind = className(control);
  const bool combo = sameClass(kind, "ComboBox");
  if (!combo && !sameClass(kind, "ListBox")) return failed("not a list: " + kind);
  LRESULT index;
  if (item.size() > 1 && item[0] == '#') {
    index = std::atoi(item.c_str() + 1);
  } else {
    index = send(control, combo ? CB_FINDSTRINGEXACT : LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(item.c_str()));
  }
  const LRESULT count = send(control, combo ? CB_GETCOUNT : LB_GETCOUNT);
  if (index < 0 || index >= count) return failed("no item " + item);
  send(control, combo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(index));
  if (combo) {
    notifyParent(control, CBN_SELENDOK);
    notifyParent(control, CBN_SELCHANGE);
  } else {
    notifyParent(control, LBN_SELCHANGE);
  }
  return true;
}

bool slide(HWND control, int position) {
  if (!sameClass(className(control), TRACKBAR_CLASSA)) return failed("not a track bar");
  send(control, TBM_SETPOS, TRUE, position);
  const bool vertical = GetWindowLongA(control, GWL_STYLE) & TBS_VERT;
  const WPARAM scroll = MAKEWPARAM(TB_THUMBPOSITION, position);
  send(GetParent(control), vertical ? WM_VSCROLL : WM_HSCROLL, scroll,
       reinterpret_cast<LPARAM>(control));
  send(GetParent(control), vertical ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0),
       reinterpret_cast<LPARAM>(control));
  return true;
}

WORD virtualKey(const std::string& name) {
  struct Named {
    const char* name;
    WORD key;
  };
  static const Named kKeys[] = {
      {"Tab", VK_TAB},       {"Enter", VK_RETURN}, {"Return", VK_RETURN}, {"Space", VK_SPACE},
      {"Escape", VK_ESCAPE}, {"Esc", VK_ESCAPE},   {"Up", VK_UP},         {"Down", VK_DOWN},
      {"Left", VK_LEFT},     {"Right", VK_RIGHT},  {"Home", VK_HOME},     {"End", VK_END},
      {"Delete", VK_DELETE}, {"Back", VK_BACK},    {"F1", VK_F1},         {"F4", VK_F4}};
  for (const Named& key : kKeys)
    if (lstrcmpiA(key.name, name.c_str()) == 0) return key.key;
  if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0])))
    return static_cast<WORD>(std::toupper(static_cast<unsigned char>(name[0])));
  return 0;
}

INPUT keyInput(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

// One chord such as "Shift+Tab" or "Alt+F4": the modifiers down, the key down and up, the
// modifiers up in reverse order.
bool pressChord(const std::string& chord) {
  std::vector<WORD> keys;
  std::stringstream parts(chord);
  std::string part;
  while (std::getline(parts, part, '+')) {
    WORD key = 0;
    if (lstrcmpiA(part.c_str(), "Shift") == 0)
      key = VK_SHIFT;
    else if (lstrcmpiA(part.c_str(), "Alt") == 0)
      key = VK_MENU;
    else if (lstrcmpiA(part.c_str(), "Ctrl") == 0)
      key = VK_CONTROL;
    else
      key = virtualKey(part);
    if (key == 0) return failed("unknown key " + part);
    keys.push_back(key);
  }
  std::vector<INPUT> inputs;
  for (WORD key : keys) inputs.push_back(keyInput(key, false));
  for (auto key = keys.rbegin(); key != keys.rend(); ++key) inputs.push_back(keyInput(*key, true));
  if (SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size())
    return failed("SendInput refused " + chord);
  Sleep(150);  // one chord handled before the next
  return true;
}

bool pressKeys(HWND window, const std::string& keys) {
  SetForegroundWindow(window);
  Sleep(200);
  std::stringstream chords(keys);
  std::string chord;
  while (chords >> chord)
    if (!pressChord(chord)) return false;
  return true;
}

struct Action {
  std::string name;
  std::vector<std::string> arguments;
};

// How many arguments each action takes.
int argumentCount(const std::string& action) {
  static const std::pair<const char*, int> kActions[] = {
      {"--dump", 0},  {"--press", 1}, {"--click", 1}, {"--type", 2},      {"--pick", 2},
      {"--slide", 2}, {"--keys", 1},  {"--move", 2},  {"--wait-text", 2}, {"--sleep", 1}};
  for (const auto& [name, count] : kActions)
    if (action == name) return count;
  return -1;
}

bool run(HWND window, const Action& action, double timeout) {
  const auto& a = action.arguments;
  if (action.name == "--dump") {
    printWindow(window);
    return true;
  }
  if (action.name == "--press") return pressButton(window, a[0]);
  if (action.name == "--keys") return pressKeys(window, a[0]);
  if (action.name == "--sleep") {
    Sleep(static_cast<DWORD>(std::atof(a[0].c_str()) * 1000));
    return true;
  }
  if (action.name == "--move") {
    SetWindowPos(window, nullptr, std::atoi(a[0].c_str()), std::atoi(a[1].c_str()), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
  }
  const HWND control = controlNamed(window, a[0]);
  if (!control) return failed("no control named " + a[0]);
  if (action.name == "--click") return click(control);
  if (action.name == "--type") return typeInto(control, a[1]);
  if (action.name == "--pick") return pick(control, a[1]);
  if (action.name == "--slide") return slide(control, std::atoi(a[1].c_str()));
  // --wait-text
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout * 1000);
  while (windowText(control) != a[1]) {
    if (GetTickCount64() >= deadline)
      return failed(a[0] + " shows '" + windowText(control) + "', not '" + a[1] + "'");
    Sleep(50);
  }
  return true;
}

int usage() {
  std::fprintf(stderr,
               "usage: uidriver [--title TEXT] [--class NAME] [--form NAME] [--timeout S]\n"
               "                [--gone | --absent S]\n"
               "                [--dump] [--press TEXT] [--click NAME] [--type NAME TEXT]\n"
               "                [--pick NAME ITEM] [--slide NAME POSITION] [--keys KEYS]\n"
               "                [--move LEFT TOP] [--wait-text NAME TEXT] [--sleep S]...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Selector selector;
  std::vector<Action> actions;
  double timeout = 30;
  double absentFor = -1;
  bool waitUntilGone = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--title" && hasValue)
      selector.title = argv[++i];
    else if (arg == "--class" && hasValue)
      selector.className = argv[++i];
    else if (arg == "--form" && hasValue)
      selector.formName = argv[++i];
    else if (arg == "--timeout" && hasValue)
      timeout = std::atof(argv[++i]);
    else if (arg == "--absent" && hasValue)
      absentFor = std::atof(argv[++i]);
    else if (arg == "--gone")
      waitUntilGone = true;
    else {
      const int count = argumentCount(arg);
      if (count < 0 || i + count >= argc) return usage();
      Action action{arg, {}};
      for (int n = 0; n < count; ++n) action.arguments.push_back(argv[++i]);
      actions.push_back(action);
    }
  }
  CoInitialize(nullptr);
  if (absentFor >= 0) {
    selector.hiddenToo = true;
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(absentFor * 1000);
    do {
      if (const HWND window = findWindow(selector)) {
        printWindow(window);
        return 1;
      }
      Sleep(20);
    } while (GetTickCount64() < end);
    return 0;
  }
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout * 1000);
  HWND window = nullptr;
  while (GetTickCount64() < deadline) {
    window = findWindow(selector);
    if ((window != nullptr) != waitUntilGone) break;
    Sleep(100);
  }
  if (waitUntilGone) return window ? 1 : 0;
  if (!window) {
    std::fprintf(stderr, "uidriver: no window title=%s class=%s form=%s\n", selector.title.c_str(),
                 selector.className.c_str(), selector.formName.c_str());
    return 1;
  }
  Sleep(300);  // let the window finish painting before its texts are read
  bool dumped = false;
  for (const Action& action : actions) dumped = dumped || action.name == "--dump";
  if (!dumped) printWindow(window);
  for (const Action& action : actions) {
    if (!run(window, action, timeout)) return 1;
  }
  std::fflush(stdout);
  return 0;
}
