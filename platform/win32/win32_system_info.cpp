#include "platform/win32/win32_system_info.h"

#include <shlobj.h>
#include <windows.h>

#include "base/values.h"

namespace kx {

std::string Win32SystemInfo::shortDate() {
  char text[80];
  const int length =
      GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, text, 80);
  return length > 0 ? std::string(text) : std::string();
}

std::string Win32SystemInfo::longTime() {
  char text[80];
  const int length = GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, text, 80);
  return length > 0 ? std::string(text) : std::string();
}

std::string Win32SystemInfo::temporaryFolder() {
  char path[MAX_PATH + 1];
  const DWORD length = GetTempPathA(sizeof path, path);
  const std::string folder = withTrailingBackslash(std::string(path, length));
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

std::string Win32SystemInfo::enginePath() {
  char path[MAX_PATH + 1];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  return std::string(path, length);
}

std::string Win32SystemInfo::engineVersion() {
  // Read from the program's own version resource: no version.dll needed.
  HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16));
  HGLOBAL loaded = resource ? LoadResource(nullptr, resource) : nullptr;
  const auto* bytes = static_cast<const BYTE*>(loaded ? LockResource(loaded) : nullptr);
  if (!bytes) return "0.0.0.0";
  // VS_VERSIONINFO: header (6 bytes), key L"VS_VERSION_INFO" padded to 4, then the fixed info.
  const auto* info = reinterpret_cast<const VS_FIXEDFILEINFO*>(bytes + 40);
  if (info->dwSignature != 0xFEEF04BD) return "0.0.0.0";
  return std::to_string(HIWORD(info->dwFileVersionMS)) + "." +
         std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
         std::to_string(HIWORD(info->dwFileVersionLS)) + "." +
         std::to_string(LOWORD(info->dwFileVersionLS));
}

bool Win32SystemInfo::isNtFamily() {
  return true;  // every Windows this engine starts on is of the NT family
}

bool Win32SystemInfo::isAdministrator() {
  SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!AllocateAndInitializeSid(&authority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS,
                                0, 0, 0, 0, 0, 0, &administrators))
    return false;
  BOOL member = FALSE;
  if (!CheckTokenMembership(nullptr, administrators, &member)) member = FALSE;
  FreeSid(administrators);
  return member != FALSE;
}

void Win32SystemInfo::requestRestart() {
  HANDLE token;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid))
      AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
  }
  ExitWindowsEx(EWX_REBOOT, 0);
}

std::string Win32SystemInfo::specialFolder(int csidl) {
  char path[MAX_PATH + 1] = {};
  if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return withoutTrailingBackslash(path);
}

// Not built yet.
WindowsVersion Win32SystemInfo::windowsVersion() {
  return {};
}
uint64_t Win32SystemInfo::totalPhysicalMemory() {
  return 0;
}
ScreenFacts Win32SystemInfo::screen() {
  return {};
}
std::string Win32SystemInfo::languageName(uint32_t) {
  return {};
}
std::string Win32SystemInfo::userName() {
  return {};
}
std::string Win32SystemInfo::userDomain() {
  return {};
}
std::string Win32SystemInfo::computerName() {
  return {};
}
bool Win32SystemInfo::isMemberOf(UserGroup) {
  return false;
}
std::string Win32SystemInfo::systemFolder() {
  return {};
}
std::string Win32SystemInfo::windowsFolder() {
  return {};
}
std::string Win32SystemInfo::firstCdromDrive() {
  return {};
}
std::string Win32SystemInfo::expandEnvironment(const std::string& text) {
  return text;
}

}  // namespace kx
