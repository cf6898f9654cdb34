#include "platform/win32/win32_files.h"

#include <windows.h>

#include <algorithm>

#include "base/values.h"
#include "platform/win32/version_resource.h"

namespace kx {

bool Win32FileSystem::fileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::createFolders(const std::string& path) {
  for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
    CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
  CreateDirectoryA(path.c_str(), nullptr);
  return folderExists(path);
}

bool Win32FileSystem::folderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> Win32FileSystem::readFile(const std::string& path) {
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

bool Win32FileSystem::writeFile(const std::string& path, const std::string& bytes) {
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

bool Win32FileSystem::deleteFile(const std::string& path) {
  return DeleteFileA(path.c_str()) != 0;
}

FolderCreation Win32FileSystem::createFolderExclusive(const std::string& path) {
  if (CreateDirectoryA(path.c_str(), nullptr)) return FolderCreation::Created;
  return GetLastError() == ERROR_ALREADY_EXISTS ? FolderCreation::AlreadyExists
                                                : FolderCreation::Failed;
}

bool Win32FileSystem::copyFile(const std::string& from, const std::string& to) {
  SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);  // a read-only target would refuse
  return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

bool Win32FileSystem::setNormalAttributes(const std::string& path) {
  return SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL) != 0;
}

void Win32FileSystem::removeTree(const std::string& path) {
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

std::optional<std::string> Win32FileSystem::shortPathName(const std::string& path) {
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
std::optional<std::string> Win32FileSystem::longPathName(const std::string& path) {
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

std::optional<std::string> Win32FileSystem::createTemporaryFile(const std::string& folder,
                                                                const std::string& prefix) {
  char path[MAX_PATH + 1] = {};
  if (GetTempFileNameA(folder.c_str(), prefix.c_str(), 0, path) == 0) return std::nullopt;
  return std::string(path);
}

std::vector<FolderEntry> Win32FileSystem::findEntries(const std::string& pattern) {
  std::vector<FolderEntry> entries;
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA(pattern.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return entries;
  do {
    entries.push_back({data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (FindNextFileA(search, &data));
  FindClose(search);
  return entries;
}

std::optional<VersionInformation> Win32FileSystem::versionInformation(const std::string& path) {
  return readVersionResource(path);
}

DiskSpace Win32FileSystem::diskSpace(const std::string& path) {
  ULARGE_INTEGER available, total;
  if (!GetDiskFreeSpaceExA(path.c_str(), &available, &total, nullptr)) return {};
  return {available.QuadPart, total.QuadPart};
}

std::string Win32FileSystem::iniValue(const std::string& file, const std::string& section,
                                      const std::string& key) {
  char value[260] = {};
  const DWORD length =
      GetPrivateProfileStringA(section.c_str(), key.c_str(), "", value, sizeof value, file.c_str());
  return std::string(value, length);
}

namespace {

class Win32ReadableFile : public ReadableFile {
 public:
  explicit Win32ReadableFile(HANDLE file) : file_(file) {}
  ~Win32ReadableFile() override { CloseHandle(file_); }
  Win32ReadableFile(const Win32ReadableFile&) = delete;
  Win32ReadableFile& operator=(const Win32ReadableFile&) = delete;

  size_t read(char* buffer, size_t size) override {
    DWORD read = 0;
    const auto chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
    return ReadFile(file_, buffer, chunk, &read, nullptr) ? read : 0;
  }

 private:
  HANDLE file_;
};

}  // namespace

std::unique_ptr<ReadableFile> Win32FileSystem::openForReading(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32ReadableFile>(file);
}

bool Win32FileSystem::renameFile(const std::string& from, const std::string& to) {
  return MoveFileA(from.c_str(), to.c_str()) != 0;
}

bool Win32FileSystem::renameFolder(const std::string& from, const std::string& to) {
  return MoveFileA(from.c_str(), to.c_str()) != 0;
}

bool Win32FileSystem::deleteAtRestart(const std::string& path) {
  return MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

}  // namespace kx
