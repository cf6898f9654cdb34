#include "platform/headless/headless_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "base/values.h"
#include "platform/headless/profile_file.h"
#include "platform/headless/windows_mask.h"
#include "platform/pe_image.h"

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
std::optional<std::string> listedName(const fs::path& folder, const std::string& name,
                                      const CodePage& codePage) {
  std::error_code ec;
  if (fs::exists(folder / codePage.toUtf8(name), ec)) return name;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string listed = codePage.fromUtf8(entry.path().filename().string());
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
      const auto listed = listedName(sandbox_.hostPath(rebuilt + "\\"),
                                     path.substr(start, end - start), sandbox_.codePage());
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

namespace {

struct HostEntry {
  std::string name;  // UTF-8
  std::u16string sortKey;
  bool isFolder;
};

// "X:" followed by nothing but backslashes: a drive's root, which lists no "." and "..".
bool isDriveRoot(std::string_view folder) {
  return folder.size() >= 2 && folder[1] == ':' &&
         folder.find_first_not_of('\\', 2) == std::string_view::npos;
}

std::u16string upperCased(std::u16string text) {
  for (char16_t& unit : text) {
    if (unit < 0x80)  // most names are ASCII: no need for the Unicode tables
      unit = unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - 32) : unit;
    else
      unit = static_cast<char16_t>(upperCase(unit));
  }
  return text;
}

// Whether a listed entry is a folder, following links as the system's listing does.
bool isFolderEntry(int folderDescriptor, const dirent& entry) {
  if (entry.d_type == DT_DIR) return true;
  if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) return false;
  struct stat status;
  return ::fstatat(folderDescriptor, entry.d_name, &status, 0) == 0 && S_ISDIR(status.st_mode);
}

class HostFile : public ReadableFile {
 public:
  explicit HostFile(int descriptor) : descriptor_(descriptor) {}
  ~HostFile() override { ::close(descriptor_); }
  HostFile(const HostFile&) = delete;
  HostFile& operator=(const HostFile&) = delete;
  size_t read(char* buffer, size_t size) override {
    ssize_t count;
    do count = ::read(descriptor_, buffer, size);
    while (count < 0 && errno == EINTR);
    return count > 0 ? static_cast<size_t>(count) : 0;
  }

 private:
  int descriptor_;
};

// An open descriptor of a file (not a folder) for reading; -1 when there is none.
int openFile(const std::string& host) {
  const int descriptor = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat status;
  if (descriptor >= 0 && (::fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode))) {
    ::close(descriptor);
    return -1;
  }
  return descriptor;
}

}  // namespace

// The host lists a folder in no particular order; the entries are given as NTFS lists them, in
// the order of their upper-cased names, "." and ".." first.
std::vector<FolderEntry> HeadlessFileSystem::findEntries(const std::string& pattern) {
  const size_t cut = pattern.find_last_of("\\/");
  const size_t maskStart = cut != std::string::npos                   ? cut + 1
                           : pattern.size() >= 2 && pattern[1] == ':' ? 2
                                                                      : 0;
  const std::string folder = pattern.substr(0, maskStart);
  const CodePage utf8(CodePage::kUtf8);
  const WindowsMask mask(sandbox_.codePage().toUtf16(pattern.substr(maskStart)));
  const std::string host = folder.empty() ? "." : sandbox_.hostPath(folder);

  std::vector<HostEntry> matching;
  const std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(host.c_str()), ::closedir);
  if (!listing) return {};
  if (!isDriveRoot(folder))
    for (const char* dots : {".", ".."})
      if (mask.matches(utf8.toUtf16(dots))) matching.push_back({dots, {}, true});
  while (const dirent* entry = ::readdir(listing.get())) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    std::u16string wide = utf8.toUtf16(name);
    if (!mask.matches(wide)) continue;
    matching.push_back({std::string(name), upperCased(std::move(wide)),
                        isFolderEntry(::dirfd(listing.get()), *entry)});
  }
  // "." and ".." have empty keys and come first in either order, as listed above.
  std::stable_sort(matching.begin(), matching.end(), [](const HostEntry& a, const HostEntry& b) {
    return a.sortKey != b.sortKey ? a.sortKey < b.sortKey : a.name < b.name;
  });
  std::vector<FolderEntry> entries;
  entries.reserve(matching.size());
  for (const auto& entry : matching)
    entries.push_back({sandbox_.codePage().fromUtf8(entry.name), entry.isFolder});
  return entries;
}

std::optional<VersionInformation> HeadlessFileSystem::versionInformation(const std::string& path) {
  const int descriptor = openFile(sandbox_.hostPath(path));
  if (descriptor < 0) return std::nullopt;
  struct stat status;
  const bool sized = ::fstat(descriptor, &status) == 0 && status.st_size > 0;
  const auto size = sized ? static_cast<size_t>(status.st_size) : 0;
  void* bytes = sized ? ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, descriptor, 0) : MAP_FAILED;
  ::close(descriptor);
  if (bytes == MAP_FAILED) return std::nullopt;
  const auto image = PeImage::read(std::string_view(static_cast<const char*>(bytes), size));
  auto information = image ? image->versionInformation() : std::nullopt;
  ::munmap(bytes, size);
  return information;
}

// The system answers for folders only; the sandbox's drives live on the disk of the sandbox.
DiskSpace HeadlessFileSystem::diskSpace(const std::string& path) {
  std::string host = sandbox_.hostPath(path);
  std::error_code ec;
  if (!fs::is_directory(host, ec)) {
    if (!isDriveRoot(path)) return {};
    host = sandbox_.folder();
  }
  struct statvfs disk;
  if (::statvfs(host.c_str(), &disk) != 0) return {};
  return {static_cast<uint64_t>(disk.f_bavail) * disk.f_frsize,
          static_cast<uint64_t>(disk.f_blocks) * disk.f_frsize};
}

std::string HeadlessFileSystem::iniValue(const std::string& file, const std::string& section,
                                         const std::string& key) {
  // A bare file name is looked for in the Windows folder, as the system's reader does.
  const bool bare =
      file.find_first_of("\\/") == std::string::npos && !(file.size() >= 2 && file[1] == ':');
  const int descriptor =
      openFile(sandbox_.hostPath(bare ? std::string(Sandbox::kWindowsFolder) + "\\" + file : file));
  if (descriptor < 0) return {};
  HostFile reader(descriptor);
  std::string bytes;
  char buffer[65536];
  while (const size_t count = reader.read(buffer, sizeof buffer)) bytes.append(buffer, count);
  return profileString(bytes, sandbox_.codePage(), section, key);
}

std::unique_ptr<ReadableFile> HeadlessFileSystem::openForReading(const std::string& path) {
  const int descriptor = openFile(sandbox_.hostPath(path));
  if (descriptor < 0) return nullptr;
  return std::make_unique<HostFile>(descriptor);
}

bool HeadlessFileSystem::renameFile(const std::string& from, const std::string& to) {
  const std::string target = sandbox_.hostPath(to);
  std::error_code ec;
  if (fs::exists(fs::symlink_status(target, ec))) return false;
  fs::rename(sandbox_.hostPath(from), target, ec);
  return !ec;
}

bool HeadlessFileSystem::renameFolder(const std::string& from, const std::string& to) {
  return folderExists(from) && renameFile(from, to);
}

bool HeadlessFileSystem::deleteAtRestart(const std::string& path) {
  log_ << "Delete at restart: " << path << "\n";
  return true;
}

}  // namespace kx
