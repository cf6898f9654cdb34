// A library planted beside a setup under the name of a system library: loading it leaves a file
// named after it with ".loaded" appended, so that a test sees whether it was loaded.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char path[MAX_PATH + 8] = {};
  const DWORD length = GetModuleFileNameA(instance, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return TRUE;
  lstrcatA(path, ".loaded");
  const HANDLE marker =
      CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
  return TRUE;
}
