// What Wine reports of the machine through the shell and system calls, one NAME=VALUE line
// each, for the tests to compare zelrun.exe's answers with.
#include <shlobj.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string fileVersion(const std::string& path, unsigned* translation) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  std::string data(size, '\0');
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, data.data()) ||
      !VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length))
    return "0.0.0.0";
  WORD* pair = nullptr;
  if (translation &&
      VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&pair),
                     &length) &&
      length >= 4)
    *translation = pair[0] | static_cast<unsigned>(pair[1]) << 16;
  char text[64];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
                LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                LOWORD(fixed->dwFileVersionLS));
  return text;
}

}  // namespace

int main() {
  char path[MAX_PATH];
  for (int csidl = 0; csidl <= 0x3E; ++csidl) {
    if (!SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE)) path[0] = '\0';
    std::printf("csidl%d=%s\n", csidl, path);
  }
  MEMORYSTATUSEX memory = {};
  memory.dwLength = sizeof memory;
  GlobalMemoryStatusEx(&memory);
  std::printf("memory=%llu\n", memory.ullTotalPhys);
  std::printf("admin=%s\n", IsUserAnAdmin() ? "TRUE" : "FALSE");
  HDC screen = GetDC(nullptr);
  std::printf("ppi=%d\n", GetDeviceCaps(screen, LOGPIXELSX));
  std::printf("bits=%d\n", GetDeviceCaps(screen, BITSPIXEL));
  ReleaseDC(nullptr, screen);
  GetSystemDirectoryA(path, MAX_PATH);
  const std::string system = path;
  unsigned translation = 0;
  fileVersion(system + "\\winver.exe", &translation);
  std::printf("translation=%u\n", translation);
  VerLanguageNameA(translation & 0xFFFF, path, MAX_PATH);
  std::printf("language=%s\n", path);
  std::printf("browser=%s\n", fileVersion(system + "\\shdocvw.dll", nullptr).c_str());
  return 0;
}
