#include "platform/win32/win32_system_info.h"

#include <shlobj.h>
#include <windows.h>

#include <vector>

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
  return isMemberOf(UserGroup::Administrators);
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
  LPITEMIDLIST location = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &location))) return {};
  char path[MAX_PATH + 1] = {};
  const bool found = SHGetPathFromIDListA(location, path);
  CoTaskMemFree(location);
  return found ? withoutTrailingBackslash(path) : std::string();
}

WindowsVersion Win32SystemInfo::windowsVersion() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExA(&info)) return {};
  return {info.dwPlatformId == VER_PLATFORM_WIN32_NT, info.dwMajorVersion, info.dwMinorVersion,
          info.dwBuildNumber, info.szCSDVersion};
}

uint64_t Win32SystemInfo::totalPhysicalMemory() {
  MEMORYSTATUSEX status = {};
  status.dwLength = sizeof status;
  return GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : 0;
}

ScreenFacts Win32SystemInfo::screen() {
  ScreenFacts facts;
  facts.width = GetSystemMetrics(SM_CXSCREEN);
  facts.height = GetSystemMetrics(SM_CYSCREEN);
  if (HDC screen = GetDC(nullptr)) {
    facts.bitsPerPixel = GetDeviceCaps(screen, BITSPIXEL);
    facts.pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
  }
  return facts;
}

std::string Win32SystemInfo::languageName(uint32_t languageId) {
  char name[256] = {};
  // The name up to its NUL: Wine's length counts the NUL, Windows' does not.
  if (VerLanguageNameA(languageId, name, sizeof name - 1) == 0) return {};
  return name;
}

namespace {

struct Account {
  std::string name;
  std::string domain;
};

// The account of the process token's user.
Account tokenAccount() {
  HANDLE token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<BYTE> user(size);
  Account account;
  if (size > 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size)) {
    const PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
    char name[256] = {}, domain[256] = {};
    DWORD nameSize = sizeof name, domainSize = sizeof domain;
    SID_NAME_USE use;
    if (LookupAccountSidA(nullptr, sid, name, &nameSize, domain, &domainSize, &use))
      account = {name, domain};
  }
  CloseHandle(token);
  return account;
}

DWORD groupRid(UserGroup group) {
  switch (group) {
    case UserGroup::Administrators:
      return DOMAIN_ALIAS_RID_ADMINS;
    case UserGroup::PowerUsers:
      return DOMAIN_ALIAS_RID_POWER_USERS;
    case UserGroup::Users:
      return DOMAIN_ALIAS_RID_USERS;
    case UserGroup::Guests:
      return DOMAIN_ALIAS_RID_GUESTS;
  }
  return DOMAIN_ALIAS_RID_GUESTS;
}

}  // namespace

std::string Win32SystemInfo::userName() {
  return tokenAccount().name;
}

std::string Win32SystemInfo::userDomain() {
  return tokenAccount().domain;
}

std::string Win32SystemInfo::computerName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  return GetComputerNameA(name, &size) ? std::string(name, size) : std::string();
}

// Without a token of its own, CheckTokenMembership asks the thread's impersonation token, or
// else a copy of the process's token.
bool Win32SystemInfo::isMemberOf(UserGroup group) {
  SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
  PSID sid = nullptr;
  if (!AllocateAndInitializeSid(&authority, 2, SECURITY_BUILTIN_DOMAIN_RID, groupRid(group), 0, 0,
                                0, 0, 0, 0, &sid))
    return false;
  BOOL member = FALSE;
  if (!CheckTokenMembership(nullptr, sid, &member)) member = FALSE;
  FreeSid(sid);
  return member != FALSE;
}

std::string Win32SystemInfo::systemFolder() {
  char folder[MAX_PATH + 1] = {};
  const UINT length = GetSystemDirectoryA(folder, sizeof folder);
  return length < sizeof folder ? std::string(folder, length) : std::string();
}

std::string Win32SystemInfo::windowsFolder() {
  char folder[MAX_PATH + 1] = {};
  const UINT length = GetWindowsDirectoryA(folder, sizeof folder);
  return length < sizeof folder ? std::string(folder, length) : std::string();
}

std::string Win32SystemInfo::firstCdromDrive() {
  for (char drive = 'A'; drive <= 'Z'; ++drive) {
    const std::string root = std::string(1, drive) + ":\\";
    if (GetDriveTypeA(root.c_str()) == DRIVE_CDROM) return root;
  }
  return {};
}

std::string Win32SystemInfo::expandEnvironment(const std::string& text) {
  constexpr DWORD kBufferSize = 266240;
  std::string expanded(kBufferSize, '\0');
  const DWORD length = ExpandEnvironmentStringsA(text.c_str(), expanded.data(), kBufferSize);
  // The length counts the terminating NUL; a result that does not fit leaves nothing usable.
  if (length == 0 || length > kBufferSize) return {};
  expanded.resize(length - 1);
  return expanded;
}

std::string Win32SystemInfo::errorMessage(uint32_t code) {
  std::vector<char> text(10241, '\0');
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                     text.data(), static_cast<DWORD>(text.size()), nullptr);
  return std::string(text.data(), length);
}

std::string Win32SystemInfo::toUtf16le(const std::string& text) {
  if (text.empty()) return {};
  const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                        nullptr, 0);
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), units);
  std::string bytes;
  bytes.reserve(wide.size() * 2);
  for (const wchar_t unit : wide) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>((unit >> 8) & 0xFF);
  }
  return bytes;
}

std::string Win32SystemInfo::newGuid() {
  GUID guid{};
  if (FAILED(CoCreateGuid(&guid))) return {};
  // The registry form writes the first three fields as numbers, the last eight bytes in order.
  uint8_t bytes[16] = {
      static_cast<uint8_t>(guid.Data1 >> 24), static_cast<uint8_t>(guid.Data1 >> 16),
      static_cast<uint8_t>(guid.Data1 >> 8),  static_cast<uint8_t>(guid.Data1),
      static_cast<uint8_t>(guid.Data2 >> 8),  static_cast<uint8_t>(guid.Data2),
      static_cast<uint8_t>(guid.Data3 >> 8),  static_cast<uint8_t>(guid.Data3)};
  for (size_t i = 0; i < 8; ++i) bytes[8 + i] = guid.Data4[i];
  return registryGuidText(bytes);
}

}  // namespace kx
