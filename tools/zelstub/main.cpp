// zelstub.exe, the setup engine: the engine's start on the Win32 platform.
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_startup.h"
#include "startup/main_procedure.h"

int main() {
  kx::Win32Platform::searchLibrariesInSystemFolderOnly();
  kx::Win32Platform platform;
  kx::Win32Startup startup;
  return kx::runEngine(platform.platform(), startup);
}
