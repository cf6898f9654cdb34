#include "platform/win32/win32_platform.h"

#include <shlobj.h>
#include <windows.h>

#include "base/values.h"

namespace kx {
namespace {

HKEY rootKey(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::ClassesRoot:
      return HKEY_CLASSES_ROOT;
    case RegistryRoot::CurrentUser:
      return HKEY_CURRENT_USER;
    case RegistryRoot::LocalMachine:
      return HKEY_LOCAL_MACHINE;
    case RegistryRoot::Users:
      return HKEY_USERS;
  }
  return HKEY_CURRENT_USER;
}

std::string withoutTrailing(std::string key) {
  while (!key.empty() && key.back() == '\\') key.pop_back();
  return key;
}

}  // namespace

Win32Platform::Win32Platform()
    : interpreterThread_(GetCurrentThreadId()),
      threads_([thread = interpreterThread_] { PostThreadMessageA(thread, WM_NULL, 0, 0); }) {}

void Win32Platform::searchLibrariesInSystemFolderOnly() {
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

MessageAnswer Win32Platform::messageBox(const MessageBoxRequest& request) {
  static constexpr UINT icons[] = {MB_ICONINFORMATION, MB_ICONQUESTION, MB_ICONWARNING,
                                   MB_ICONERROR};
  static constexpr UINT buttons[] = {MB_ABORTRETRYIGNORE, MB_OK,    MB_OKCANCEL,
                                     MB_RETRYCANCEL,      MB_YESNO, MB_YESNOCANCEL};
  static constexpr UINT defaults[] = {MB_DEFBUTTON1, MB_DEFBUTTON2, MB_DEFBUTTON3};
  const auto icon = static_cast<size_t>(request.icon);
  const auto button = static_cast<size_t>(request.buttons);
  const auto byDefault = static_cast<size_t>(request.defaultButton - 1);
  const UINT style = (icon < 4 ? icons[icon] : MB_ICONINFORMATION) |
                     (button < 6 ? buttons[button] : MB_OK) |
                     (byDefault < 3 ? defaults[byDefault] : MB_DEFBUTTON1);
  switch (MessageBoxA(reinterpret_cast<HWND>(request.owner), request.text.c_str(),
                      request.caption.c_str(), style)) {
    case IDCANCEL:
      return MessageAnswer::Cancel;
    case IDABORT:
      return MessageAnswer::Abort;
    case IDRETRY:
      return MessageAnswer::Retry;
    case IDIGNORE:
      return MessageAnswer::Ignore;
    case IDYES:
      return MessageAnswer::Yes;
    case IDNO:
      return MessageAnswer::No;
    default:
      return MessageAnswer::Ok;
  }
}

void Win32Platform::processPendingMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

void Win32Platform::wakeMessageLoop() {
  PostThreadMessageA(interpreterThread_, WM_NULL, 0, 0);
}

void Win32Platform::handleOneMessage() {
  MSG message;
  if (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// Dialog windows arrive with the dialog host; until then every dialog answers Next.
DialogOutcome Win32Platform::show(const std::string&, bool) {
  return {};
}
void Win32Platform::hide(const std::string&) {}

std::optional<std::string> Win32Platform::readString(RegistryRoot root, const std::string& key,
                                                     const std::string& valueName) {
  HKEY handle;
  if (RegOpenKeyExA(rootKey(root), withoutTrailing(key).c_str(), 0, KEY_READ, &handle) !=
      ERROR_SUCCESS)
    return std::nullopt;
  DWORD type = 0, size = 0;
  std::optional<std::string> value;
  if (RegQueryValueExA(handle, valueName.c_str(), nullptr, &type, nullptr, &size) ==
          ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ)) {
    std::string data(size, '\0');
    if (RegQueryValueExA(handle, valueName.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(data.data()), &size) == ERROR_SUCCESS) {
      data.resize(size);
      while (!data.empty() && data.back() == '\0') data.pop_back();
      value = std::move(data);
    }
  }
  RegCloseKey(handle);
  return value;
}

bool Win32Platform::writeString(RegistryRoot root, const std::string& key,
                                const std::string& valueName, const std::string& value) {
  HKEY handle;
  if (RegCreateKeyExA(rootKey(root), withoutTrailing(key).c_str(), 0, nullptr, 0, KEY_WRITE,
                      nullptr, &handle, nullptr) != ERROR_SUCCESS)
    return false;
  const LONG status = RegSetValueExA(handle, valueName.c_str(), 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>(value.c_str()),
                                     static_cast<DWORD>(value.size() + 1));
  RegCloseKey(handle);
  return status == ERROR_SUCCESS;
}

bool Win32Platform::deleteValue(RegistryRoot root, const std::string& key,
                                const std::string& valueName) {
  HKEY handle;
  if (RegOpenKeyExA(rootKey(root), withoutTrailing(key).c_str(), 0, KEY_SET_VALUE, &handle) !=
      ERROR_SUCCESS)
    return false;
  const LONG status = RegDeleteValueA(handle, valueName.c_str());
  RegCloseKey(handle);
  return status == ERROR_SUCCESS;
}

bool Win32Platform::fileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32Platform::createFolders(const std::string& path) {
  for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
    CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
  CreateDirectoryA(path.c_str(), nullptr);
  return folderExists(path);
}

bool Win32Platform::folderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> Win32Platform::readFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes;
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
    bytes.append(buffer, read);
  CloseHandle(file);
  return bytes;
}

bool Win32Platform::writeFile(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size();
  CloseHandle(file);
  return ok;
}

bool Win32Platform::deleteFile(const std::string& path) {
  return DeleteFileA(path.c_str()) != 0;
}

std::vector<std::string> Win32Platform::listFolder(const std::string& folder,
                                                   const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA((withTrailingBackslash(folder) + pattern).c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = data.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(search, &data));
  FindClose(search);
  return names;
}

FolderCreation Win32Platform::createFolderExclusive(const std::string& path) {
  if (CreateDirectoryA(path.c_str(), nullptr)) return FolderCreation::Created;
  return GetLastError() == ERROR_ALREADY_EXISTS ? FolderCreation::AlreadyExists
                                                : FolderCreation::Failed;
}

bool Win32Platform::copyFile(const std::string& from, const std::string& to) {
  SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);  // a read-only target would refuse
  return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

bool Win32Platform::setNormalAttributes(const std::string& path) {
  return SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL) != 0;
}

void Win32Platform::removeTree(const std::string& path) {
  const std::string folder = withTrailingBackslash(path);
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &data);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      const std::string entry = folder + name;
      SetFileAttributesA(entry.c_str(), FILE_ATTRIBUTE_NORMAL);
      const bool isFolder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
      const bool isLink = data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
      if (isFolder && !isLink) removeTree(entry);
      if (isFolder)
        RemoveDirectoryA(entry.c_str());  // for a link: the link itself, not its target
      else
        DeleteFileA(entry.c_str());
    } while (FindNextFileA(search, &data));
    FindClose(search);
  }
  RemoveDirectoryA(path.c_str());
}

std::optional<std::string> Win32Platform::shortPathName(const std::string& path) {
  const DWORD needed = GetShortPathNameA(path.c_str(), nullptr, 0);
  if (needed == 0) return std::nullopt;
  std::string shortPath(needed, '\0');
  const DWORD length = GetShortPathNameA(path.c_str(), shortPath.data(), needed);
  // Zero is a failure; a length that no longer fits means the path changed meanwhile.
  if (length == 0 || length >= needed) return std::nullopt;
  shortPath.resize(length);
  return shortPath;
}

// GetLongPathNameA expands short names but keeps the letter case of long ones as written, so
// each component is looked up in its folder instead.
std::optional<std::string> Win32Platform::longPathName(const std::string& path) {
  const auto join = [](const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '\\' ? folder + name : folder + "\\" + name;
  };
  // The root: a drive in upper case, as the system lists drives; "\\server\share" or "\" as
  // written; nothing for a relative path.
  const bool drive = path.size() >= 2 && path[1] == ':';
  size_t start = 0;
  if (drive) {
    start = 2;
  } else if (path.starts_with("\\\\")) {
    const size_t serverEnd = path.find('\\', 2);
    start = serverEnd == std::string::npos ? path.size() : path.find('\\', serverEnd + 1);
    if (start == std::string::npos) start = path.size();
  } else if (path.starts_with("\\")) {
    start = 1;
  }
  std::string rebuilt = drive ? upperAscii(path.substr(0, 2)) : path.substr(0, start);
  if (!rebuilt.empty() && GetFileAttributesA(join(rebuilt, "").c_str()) == INVALID_FILE_ATTRIBUTES)
    return std::nullopt;
  while (start < path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    const std::string name = path.substr(start, end - start);
    start = end + 1;
    if (name.empty()) continue;
    // Wildcards would let the search answer with some other entry.
    if (name.find_first_of("*?<>\"|") != std::string::npos) return std::nullopt;
    const std::string query = join(rebuilt, name);
    if (name == "." || name == "..") {
      if (GetFileAttributesA(query.c_str()) == INVALID_FILE_ATTRIBUTES) return std::nullopt;
      rebuilt = query;
      continue;
    }
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(query.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return std::nullopt;
    FindClose(search);
    rebuilt = join(rebuilt, found.cFileName);
  }
  return rebuilt;
}

std::optional<std::string> Win32Platform::createTemporaryFile(const std::string& folder,
                                                              const std::string& prefix) {
  char path[MAX_PATH + 1] = {};
  if (GetTempFileNameA(folder.c_str(), prefix.c_str(), 0, path) == 0) return std::nullopt;
  return std::string(path);
}

std::string Win32Platform::shortDate() {
  char text[80];
  const int length =
      GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, text, 80);
  return length > 0 ? std::string(text) : std::string();
}

std::string Win32Platform::longTime() {
  char text[80];
  const int length = GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, text, 80);
  return length > 0 ? std::string(text) : std::string();
}

std::string Win32Platform::temporaryFolder() {
  char path[MAX_PATH + 1];
  const DWORD length = GetTempPathA(sizeof path, path);
  const std::string folder = withTrailingBackslash(std::string(path, length));
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

std::string Win32Platform::enginePath() {
  char path[MAX_PATH + 1];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  return std::string(path, length);
}

std::string Win32Platform::engineVersion() {
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

bool Win32Platform::isNtFamily() {
  return true;  // every Windows this engine starts on is of the NT family
}

bool Win32Platform::isAdministrator() {
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

void Win32Platform::requestRestart() {
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

std::string Win32Platform::specialFolder(int csidl) {
  char path[MAX_PATH + 1] = {};
  if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return withoutTrailingBackslash(path);
}

}  // namespace kx
