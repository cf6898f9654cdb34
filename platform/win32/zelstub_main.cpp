// zelstub.exe: the setup engine's entry point on Windows.
#include <windows.h>

#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_startup.h"
#include "startup/main_procedure.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Libraries are looked up in the system folder only, never beside a downloaded setup.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  kx::Win32Platform platform;
  kx::Win32Startup startup;
  // The payload archive is not unpacked until the archive library is linked in.
  return kx::runMainProcedure(platform.platform(), startup, nullptr);
}
