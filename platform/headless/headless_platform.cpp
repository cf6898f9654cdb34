#include "platform/headless/headless_platform.h"

#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/values.h"

namespace kx {
namespace fs = std::filesystem;

std::string escapeForLog(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += "$NEWLINE$";
      ++i;
    } else if (c < 32) {
      char code[8];
      std::snprintf(code, sizeof code, "\\x%02X", c);
      out += code;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

HeadlessPlatform::HeadlessPlatform(std::string sandboxFolder, std::string enginePath,
                                   std::ostream& log)
    : sandbox_(std::move(sandboxFolder)), enginePath_(std::move(enginePath)), log_(log) {}

std::string HeadlessPlatform::hostPath(const std::string& path) const {
  std::string p = path;
  for (char& c : p)
    if (c == '\\') c = '/';
  if (p.size() >= 2 && p[1] == ':') {
    const char drive = upperAscii(p[0]);
    const std::string rest = p.substr(2);
    if (drive == 'Z') return rest.empty() ? "/" : rest;
    return sandbox_ + "/drives/" + static_cast<char>(drive - 'A' + 'a') + rest;
  }
  return p;
}

std::string HeadlessPlatform::windowsPath(const std::string& host) {
  std::string p = "Z:" + host;
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

MessageAnswer HeadlessPlatform::messageBox(const MessageBoxRequest& request) {
  log_ << "MessageBox: " << escapeForLog(request.caption) << " | " << escapeForLog(request.text)
       << " | icon=" << static_cast<int>(request.icon)
       << " | buttons=" << static_cast<int>(request.buttons) << "\n";
  if (answers.empty()) return MessageAnswer::Ok;
  const MessageAnswer answer = answers.front();
  answers.pop_front();
  return answer;
}

DialogOutcome HeadlessPlatform::show(const std::string& key, bool modal) {
  DialogOutcome outcome;
  if (!modal) {
    outcome.resultCode = DialogOutcome::kNotModal;
    outcome.window = 0x10000 + static_cast<WindowHandle>(std::stoul(key));
    return outcome;
  }
  if (!outcomes.empty()) {
    outcome = outcomes.front();
    outcomes.pop_front();
  }
  return outcome;
}

namespace {
std::string registryPath(RegistryRoot root, const std::string& key, const std::string& value) {
  std::string k = upperAscii(key);
  while (!k.empty() && k.back() == '\\') k.pop_back();
  return std::to_string(static_cast<int>(root)) + "\\" + k + "\\" + upperAscii(value);
}
}  // namespace

std::optional<std::string> HeadlessPlatform::readString(RegistryRoot root, const std::string& key,
                                                        const std::string& valueName) {
  const auto found = registry_.find(registryPath(root, key, valueName));
  if (found == registry_.end()) return std::nullopt;
  return found->second;
}

bool HeadlessPlatform::writeString(RegistryRoot root, const std::string& key,
                                   const std::string& valueName, const std::string& value) {
  registry_[registryPath(root, key, valueName)] = value;
  return true;
}

bool HeadlessPlatform::deleteValue(RegistryRoot root, const std::string& key,
                                   const std::string& valueName) {
  return registry_.erase(registryPath(root, key, valueName)) > 0;
}

bool HeadlessPlatform::fileExists(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(hostPath(path), ec);
}

bool HeadlessPlatform::createFolders(const std::string& path) {
  std::error_code ec;
  fs::create_directories(hostPath(path), ec);
  return fs::is_directory(hostPath(path), ec);
}

bool HeadlessPlatform::folderExists(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(hostPath(path), ec);
}

std::optional<std::string> HeadlessPlatform::readFile(const std::string& path) {
  std::ifstream in(hostPath(path), std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool HeadlessPlatform::writeFile(const std::string& path, const std::string& bytes) {
  const fs::path host = hostPath(path);
  std::error_code ec;
  if (host.has_parent_path()) fs::create_directories(host.parent_path(), ec);
  std::ofstream out(host, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

bool HeadlessPlatform::deleteFile(const std::string& path) {
  std::error_code ec;
  return fs::remove(hostPath(path), ec);
}

std::vector<std::string> HeadlessPlatform::listFolder(const std::string& folder,
                                                      const std::string& pattern) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(hostPath(folder), ec)) {
    const std::string name = entry.path().filename().string();
    if (fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

FolderCreation HeadlessPlatform::createFolderExclusive(const std::string& path) {
  if (::mkdir(hostPath(path).c_str(), 0777) == 0) return FolderCreation::Created;
  return errno == EEXIST ? FolderCreation::AlreadyExists : FolderCreation::Failed;
}

bool HeadlessPlatform::copyFile(const std::string& from, const std::string& to) {
  std::error_code ec;
  return fs::copy_file(hostPath(from), hostPath(to), fs::copy_options::overwrite_existing, ec);
}

bool HeadlessPlatform::setNormalAttributes(const std::string& path) {
  std::error_code ec;
  fs::permissions(hostPath(path), fs::perms::owner_read | fs::perms::owner_write,
                  fs::perm_options::add, ec);
  return !ec;
}

void HeadlessPlatform::removeTree(const std::string& path) {
  std::error_code ec;
  fs::remove_all(hostPath(path), ec);  // never follows symbolic links
}

std::optional<std::string> HeadlessPlatform::shortPathName(const std::string& path) {
  std::error_code ec;
  if (path.empty() || !fs::exists(hostPath(path), ec)) return std::nullopt;
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

std::optional<std::string> HeadlessPlatform::longPathName(const std::string& path) {
  if (path.size() < 2 || path[1] != ':') return std::nullopt;
  // Every drive letter exists (its sandbox folder appears with its first file); drives are
  // listed in upper case.
  std::string rebuilt = upperAscii(path.substr(0, 2));
  size_t start = 2;
  while (start < path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) {
      const auto listed = listedName(hostPath(rebuilt + "\\"), path.substr(start, end - start));
      if (!listed) return std::nullopt;
      rebuilt += "\\" + *listed;
    }
    start = end + 1;
  }
  return rebuilt;
}

std::optional<std::string> HeadlessPlatform::createTemporaryFile(const std::string& folder,
                                                                 const std::string& prefix) {
  for (unsigned number = 1; number <= 0xFFFF; ++number) {
    char name[32];
    std::snprintf(name, sizeof name, "%X.tmp", number);
    const std::string path = withTrailingBackslash(folder) + prefix + name;
    const int file = ::open(hostPath(path).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (file >= 0) {
      ::close(file);
      return path;
    }
    if (errno != EEXIST) return std::nullopt;
  }
  return std::nullopt;
}

std::string HeadlessPlatform::shortDate() {
  const std::time_t now = std::time(nullptr);
  char text[32];
  std::strftime(text, sizeof text, "%m/%d/%Y", std::localtime(&now));
  return text;
}

std::string HeadlessPlatform::longTime() {
  const std::time_t now = std::time(nullptr);
  char text[32];
  std::strftime(text, sizeof text, "%I:%M:%S %p", std::localtime(&now));
  return text[0] == '0' ? std::string(text + 1) : std::string(text);
}

std::string HeadlessPlatform::temporaryFolder() {
  return windowsPath(sandbox_) + "\\temp\\";
}

std::string HeadlessPlatform::engineVersion() {
  return std::to_string(KX_VERSION_MAJOR) + "." + std::to_string(KX_VERSION_MINOR) + "." +
         std::to_string(KX_VERSION_PATCH) + ".0";
}

std::string HeadlessPlatform::specialFolder(int csidl) {
  switch (csidl) {
    case 0x00:
      return "C:\\Users\\user\\Desktop";
    case 0x05:
      return "C:\\Users\\user\\Documents";
    case 0x19:
      return "C:\\Users\\Public\\Desktop";
    case 0x26:
      return "C:\\Program Files";
    case 0x2B:
      return "C:\\Program Files\\Common Files";
    default:
      return {};
  }
}

std::unique_ptr<PluginLibrary> HeadlessPlatform::loadPlugin(const std::string& path) {
  log_ << "Plug-in not loadable here: " << escapeForLog(path) << "\n";
  return nullptr;
}

}  // namespace kx
