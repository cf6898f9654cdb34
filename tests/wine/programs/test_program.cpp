// A program the engine starts in tests, doing what its command line says:
//   exit N       ends with exit code N
//   forever      never ends on its own
//   window TEXT  shows a top-level window of class "KxTestWindow" titled TEXT and ends with
//                exit code 0 when it is closed
// It appends what happens ("ready", "closed") as lines to the file named like itself with
// ".log" added.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void logLine(const char* line) {
  char path[MAX_PATH];
  if (GetModuleFileNameA(nullptr, path, MAX_PATH) == 0) return;
  FILE* log = std::fopen((std::string(path) + ".log").c_str(), "ab");
  if (!log) return;
  std::fprintf(log, "%s\n", line);
  std::fclose(log);
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    logLine("closed");
    DestroyWindow(window);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int showWindow(const char* title) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = windowProcedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "KxTestWindow";
  if (!RegisterClassA(&windowClass)) return 2;
  const HWND window = CreateWindowA("KxTestWindow", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                                    200, 100, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (!window) return 3;
  logLine("ready");
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  if (what == "exit" && argc > 2) return std::atoi(argv[2]);
  if (what == "forever") {
    logLine("ready");
    Sleep(INFINITE);
  }
  if (what == "window" && argc > 2) return showWindow(argv[2]);
  return 1;
}
