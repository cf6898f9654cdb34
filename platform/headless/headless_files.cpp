#include "platform/headless/headless_files.h"

#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/values.h"

namespace kx {
namespace fs = std::filesystem;

bool HeadlessFileSystem::fileExists(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(sandbox_.hostPath(path), ec);
}

bool HeadlessFileSystem::createFolders(const std::string& path) {
  std::error_code ec;
  fs::create_directories(sandbox_.hostPath(path), ec);
  return fs::is_directory(sandbox_.hostPath(path), ec);
}

bool HeadlessFileSystem::folderExists(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(sandbox_.hostPath(path), ec);
}

std::optional<std::string> HeadlessFileSystem::readFile(const std::string& path) {
  std::ifstream in(sandbox_.hostPath(path), std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool HeadlessFileSystem::writeFile(const std::string& path, const std::string& bytes) {
  const fs::path host = sandbox_.hostPath(path);
  std::error_code ec;
  if (host.has_parent_path()) fs::create_directories(host.parent_path(), ec);
  std::ofstream out(host, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

bool HeadlessFileSystem::deleteFile(const std::string& path) {
  std::error_code ec;
  return fs::remove(sandbox_.hostPath(path), ec);
}

std::vector<std::string> HeadlessFileSystem::listFolder(const std::string& folder,
                                                        const std::string& pattern) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(sandbox_.hostPath(folder), ec)) {
    const std::string name = entry.path().filename().string();
    if (fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

FolderCreation HeadlessFileSystem::createFolderExclusive(const std::string& path) {
  if (::mkdir(sandbox_.hostPath(path).c_str(), 0777) == 0) return FolderCreation::Created;
  return errno == EEXIST ? FolderCreation::AlreadyExists : FolderCreation::Failed;
}

bool HeadlessFileSystem::copyFile(const std::string& from, const std::string& to) {
  std::error_code ec;
  return fs::copy_file(sandbox_.hostPath(from), sandbox_.hostPath(to),
                       fs::copy_options::overwrite_existing, ec);
}

bool HeadlessFileSystem::setNormalAttributes(const std::string& path) {
  std::error_code ec;
  fs::permissions(sandbox_.hostPath(path), fs::perms::owner_read | fs::perms::owner_write,
                  fs::perm_options::add, ec);
  return !ec;
}

void HeadlessFileSystem::removeTree(const std::string& path) {
  std::error_code ec;
  fs::remove_all(sandbox_.hostPath(path), ec);  // never follows symbolic links
}

std::optional<std::string> HeadlessFileSystem::shortPathName(const std::string& path) {
  std::error_code ec;
  if (path.empty() || !fs::exists(sandbox_.hostPath(path), ec)) return std::nullopt;
  return path;
}

namespace {
// The name under which a host folder lists `name`: itself when it exists as written, else the
// one entry equal to it ignoring the case of A-Z.
std::optional<std::string> listedName(const fs::path& folder, const std::string& name) {
  std::error_code ec;
  if (fs::exists(folder / name, ec)) return name;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string listed = entry.path().filename().string();
    if (equalsIgnoringAsciiCase(listed, name)) return listed;
  }
  return std::nullopt;
}
}  // namespace

std::optional<std::string> HeadlessFileSystem::longPathName(const std::string& path) {
  if (path.size() < 2 || path[1] != ':') return std::nullopt;
  // Every drive letter exists (its sandbox folder appears with its first file); drives are
  // listed in upper case.
  std::string rebuilt = upperAscii(path.substr(0, 2));
  size_t start = 2;
  while (start < path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) {
      const auto listed =
          listedName(sandbox_.hostPath(rebuilt + "\\"), path.substr(start, end - start));
      if (!listed) return std::nullopt;
      rebuilt += "\\" + *listed;
    }
    start = end + 1;
  }
  return rebuilt;
}

std::optional<std::string> HeadlessFileSystem::createTemporaryFile(const std::string& folder,
                                                                   const std::string& prefix) {
  for (unsigned number = 1; number <= 0xFFFF; ++number) {
    char name[32];
    std::snprintf(name, sizeof name, "%X.tmp", number);
    const std::string path = withTrailingBackslash(folder) + prefix + name;
    const int file = ::open(sandbox_.hostPath(path).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (file >= 0) {
      ::close(file);
      return path;
    }
    if (errno != EEXIST) return std::nullopt;
  }
  return std::nullopt;
}

// Not built yet.
std::vector<FolderEntry> HeadlessFileSystem::findEntries(const std::string&) {
  return {};
}
std::optional<VersionInformation> HeadlessFileSystem::versionInformation(const std::string&) {
  return {};
}
DiskSpace HeadlessFileSystem::diskSpace(const std::string&) {
  return {};
}
std::string HeadlessFileSystem::iniValue(const std::string&, const std::string&,
                                         const std::string&) {
  return {};
}
std::unique_ptr<ReadableFile> HeadlessFileSystem::openForReading(const std::string&) {
  return nullptr;
}

}  // namespace kx
