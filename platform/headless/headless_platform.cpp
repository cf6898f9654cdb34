#include "platform/headless/headless_platform.h"

#include <fnmatch.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "interpreter/values.h"

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
    outcome.resultCode = 0;
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

std::string HeadlessPlatform::temporaryFolder() { return windowsPath(sandbox_) + "\\temp\\"; }

std::string HeadlessPlatform::engineVersion() {
  return std::to_string(KX_VERSION_MAJOR) + "." + std::to_string(KX_VERSION_MINOR) + "." +
         std::to_string(KX_VERSION_PATCH) + ".0";
}

std::string HeadlessPlatform::specialFolder(int csidl) {
  switch (csidl) {
    case 0x00: return "C:\\Users\\user\\Desktop";
    case 0x05: return "C:\\Users\\user\\Documents";
    case 0x19: return "C:\\Users\\Public\\Desktop";
    case 0x26: return "C:\\Program Files";
    case 0x2B: return "C:\\Program Files\\Common Files";
    default: return {};
  }
}

}  // namespace kx
