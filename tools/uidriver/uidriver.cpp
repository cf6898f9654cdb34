// uidriver: drives the engine's windows from tests. Runs in the same Wine prefix as the engine,
// waits for a top-level window by caption or class, prints its texts and geometry and those of
// its controls, and presses a button by its text.
//
//   uidriver [--title TEXT] [--class NAME] [--timeout SECONDS] [--press BUTTON] [--gone]
//
// Output, one line each:
//   window class=<class> title=<text> rect=<left>,<top>,<width>,<height> client=<width>,<height>
//   control class=<class> id=<id> text=<text> rect=<x>,<y>,<width>,<height> visible=<0|1>
// (control rectangles are relative to the window's client area). Exit code 0 when the window was
// found (and the button pressed), 1 on a time-out, 2 for bad arguments. With --gone it waits
// until no such window exists any more.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct Selector {
  std::string title;
  std::string className;
};

struct Search {
  const Selector* selector;
  HWND found;
};

std::string windowText(HWND window) {
  char text[4096] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string className(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
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
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else out += c;
  }
  return out;
}

BOOL CALLBACK matchTopLevel(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  if (!IsWindowVisible(window)) return TRUE;
  if (!search->selector->title.empty() && windowText(window) != search->selector->title) return TRUE;
  if (!search->selector->className.empty() && className(window) != search->selector->className)
    return TRUE;
  search->found = window;
  return FALSE;
}

HWND findWindow(const Selector& selector) {
  Search search{&selector, nullptr};
  EnumWindows(matchTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

struct ControlDump {
  HWND parent;
};

BOOL CALLBACK printControl(HWND control, LPARAM parameter) {
  const HWND parent = reinterpret_cast<ControlDump*>(parameter)->parent;
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
  std::printf("control class=%s id=%d text=%s rect=%ld,%ld,%ld,%ld visible=%d\n",
              className(control).c_str(), GetDlgCtrlID(control),
              escaped(windowText(control)).c_str(), rect.left, rect.top, rect.right - rect.left,
              rect.bottom - rect.top, IsWindowVisible(control) ? 1 : 0);
  return TRUE;
}

struct Press {
  std::string text;
  HWND button;
};

BOOL CALLBACK matchButton(HWND control, LPARAM parameter) {
  auto* press = reinterpret_cast<Press*>(parameter);
  if (className(control) != "Button" || withoutAccelerators(windowText(control)) != press->text)
    return TRUE;
  press->button = control;
  return FALSE;
}

void printWindow(HWND window) {
  RECT rect, client;
  GetWindowRect(window, &rect);
  GetClientRect(window, &client);
  std::printf("window class=%s title=%s rect=%ld,%ld,%ld,%ld client=%ld,%ld\n",
              className(window).c_str(), escaped(windowText(window)).c_str(), rect.left, rect.top,
              rect.right - rect.left, rect.bottom - rect.top, client.right, client.bottom);
  ControlDump dump{window};
  EnumChildWindows(window, printControl, reinterpret_cast<LPARAM>(&dump));
}

}  // namespace

int main(int argc, char** argv) {
  Selector selector;
  std::string pressText;
  double timeout = 30;
  bool waitUntilGone = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--title" && hasValue) selector.title = argv[++i];
    else if (arg == "--class" && hasValue) selector.className = argv[++i];
    else if (arg == "--timeout" && hasValue) timeout = std::atof(argv[++i]);
    else if (arg == "--press" && hasValue) pressText = argv[++i];
    else if (arg == "--gone") waitUntilGone = true;
    else {
      std::fprintf(stderr, "usage: uidriver [--title TEXT] [--class NAME] [--timeout S] [--press BUTTON] [--gone]\n");
      return 2;
    }
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
    std::fprintf(stderr, "uidriver: no window title=%s class=%s\n", selector.title.c_str(),
                 selector.className.c_str());
    return 1;
  }
  Sleep(300);  // let the window finish painting before its texts are read
  printWindow(window);
  std::fflush(stdout);
  if (pressText.empty()) return 0;
  Press press{pressText, nullptr};
  EnumChildWindows(window, matchButton, reinterpret_cast<LPARAM>(&press));
  if (!press.button) {
    std::fprintf(stderr, "uidriver: no button %s\n", pressText.c_str());
    return 1;
  }
  SendMessageA(press.button, BM_CLICK, 0, 0);
  return 0;
}
