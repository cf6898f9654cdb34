// zelstub.exe: the setup engine's entry point on Windows.
#include <windows.h>

#include "platform/win32/win32_platform.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  kx::Win32Platform platform;
  (void)platform;
  return 0;
}
