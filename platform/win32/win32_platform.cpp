#include "platform/win32/win32_platform.h"

#include <windows.h>

namespace kx {

void Win32Platform::searchLibrariesInSystemFolderOnly() {
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace kx
