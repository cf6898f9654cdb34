#pragma once
// An in-memory machine for native tests: files and registry in maps, message boxes and dialogs
// answered from queues and recorded.
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "interpreter/values.h"
#include "platform/platform.h"

namespace kx::test {

class FakePlatform : public UserInterface,
                     public DialogWindows,
                     public Registry,
                     public FileSystem,
                     public SystemInfo,
                     public ArchiveLibrary {
 public:
  Platform platform() { return {this, this, this, this, this, this}; }

  std::vector<MessageBoxRequest> boxes;
  std::deque<MessageAnswer> answers;
  std::vector<std::string> shownDialogs;  // keys, in order
  std::deque<DialogOutcome> outcomes;
  std::map<std::string, std::string> files;  // upper-case path -> bytes
  std::map<std::string, std::string> registry;

  MessageAnswer messageBox(const MessageBoxRequest& request) override {
    boxes.push_back(request);
    if (answers.empty()) return MessageAnswer::Ok;
    const auto answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void processPendingMessages() override {}
  void handleOneMessage() override {}

  DialogOutcome show(const std::string& key, bool modal) override {
    shownDialogs.push_back(key);
    DialogOutcome outcome;
    if (!modal) outcome.window = 4242;
    if (modal && !outcomes.empty()) {
      outcome = outcomes.front();
      outcomes.pop_front();
    }
    return outcome;
  }
  void hide(const std::string&) override {}

  static std::string regPath(RegistryRoot root, const std::string& key, const std::string& v) {
    return std::to_string(static_cast<int>(root)) + "\\" + upperAscii(key) + "\\" + upperAscii(v);
  }
  std::optional<std::string> readString(RegistryRoot root, const std::string& key,
                                        const std::string& valueName) override {
    auto found = registry.find(regPath(root, key, valueName));
    if (found == registry.end()) return std::nullopt;
    return found->second;
  }
  bool writeString(RegistryRoot root, const std::string& key, const std::string& valueName,
                   const std::string& value) override {
    registry[regPath(root, key, valueName)] = value;
    return true;
  }
  bool deleteValue(RegistryRoot root, const std::string& key, const std::string& valueName) override {
    return registry.erase(regPath(root, key, valueName)) > 0;
  }

  bool fileExists(const std::string& path) override { return files.contains(upperAscii(path)); }
  bool folderExists(const std::string&) override { return true; }
  std::vector<std::string> createdFolders;
  bool createFolders(const std::string& path) override {
    createdFolders.push_back(path);
    return true;
  }
  // Archives are real files: paths go to the linked-in library as they are.
  const ZelFunctions* archiveFunctions() override { return ZelLinkedFunctions(); }
  std::string archivePath(const std::string& path) override { return path; }
  std::optional<std::string> readFile(const std::string& path) override {
    auto found = files.find(upperAscii(path));
    if (found == files.end()) return std::nullopt;
    return found->second;
  }
  bool writeFile(const std::string& path, const std::string& bytes) override {
    files[upperAscii(path)] = bytes;
    return true;
  }
  bool deleteFile(const std::string& path) override { return files.erase(upperAscii(path)) > 0; }
  std::vector<std::string> listFolder(const std::string& folder, const std::string& pattern) override {
    std::vector<std::string> names;
    const std::string prefix = upperAscii(folder);
    const std::string stem = upperAscii(pattern.substr(0, pattern.find('*')));
    for (const auto& [path, bytes] : files) {
      if (!path.starts_with(prefix)) continue;
      const std::string name = path.substr(prefix.size());
      if (name.find('\\') == std::string::npos && name.starts_with(stem)) names.push_back(name);
    }
    return names;
  }

  std::string shortDate() override { return "12/10/2026"; }
  std::string longTime() override { return "10:41:00 AM"; }
  std::string temporaryFolder() override { return "C:\\Temp\\"; }
  std::string enginePath() override { return "C:\\Setup\\setup.exe"; }
  std::string engineVersion() override { return "1.0.0.0"; }
  bool isNtFamily() override { return true; }
  bool isAdministrator() override { return true; }
  std::string specialFolder(int csidl) override {
    switch (csidl) {
      case 0x00: return "C:\\Users\\user\\Desktop";
      case 0x05: return "C:\\Users\\user\\Documents";
      case 0x19: return "C:\\Users\\Public\\Desktop";
      case 0x26: return "C:\\Program Files";
      default: return {};
    }
  }
};

}  // namespace kx::test
