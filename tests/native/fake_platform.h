#pragma once
// An in-memory machine for native tests: files and registry in maps, message boxes and dialogs
// answered from queues and recorded.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "base/values.h"
#include "platform/headless/picture_codecs.h"
#include "platform/platform.h"
#include "platform/std_threads.h"
#include "platform/zel_archive_library.h"

namespace kx::test {

// Thrown by a fake plug-in to stand for an exception or processor fault inside the library.
struct PluginFault {};
using FakePlugin = std::function<int32_t(const PluginCall&)>;

class FakePlatform : public UserInterface,
                     public DialogWindows,
                     public Registry,
                     public FileSystem,
                     public SystemInfo,
                     public Modules {
 public:
  Platform platform() {
    return {this, this, this, this, this, this, &threads, &archives, &pictures};
  }

  // Plug-in libraries by upper-case path; a library must also be in `files` to be found.
  std::map<std::string, FakePlugin> plugins;
  int pluginsLoaded = 0;
  int pluginsUnloaded = 0;
  // Runs on every handled window message, as the user's actions would.
  std::function<void()> onMessage;

  // Archives are real files: paths go to the linked-in library as they are.
  ZelArchiveLibrary archives{ZelLinkedFunctions};
  // Pictures decode for real: they are pure computation.
  LibraryPictureCodecs pictures;

  std::vector<MessageBoxRequest> boxes;
  std::deque<MessageAnswer> answers;
  std::vector<std::string> shownDialogs;  // keys, in order
  std::deque<DialogOutcome> outcomes;
  std::map<std::string, std::string> files;          // upper-case path -> bytes
  std::map<std::string, std::string> originalPaths;  // upper-case path -> as first written
  std::set<std::string> folders;          // upper-case paths without a trailing backslash
  std::set<std::string> readOnlyFiles;    // upper-case paths
  std::set<std::string> foldersThatFail;  // createFolderExclusive answers Failed for these
  int restartRequests = 0;
  std::map<std::string, std::string> registry;
  // Answers of the path services by upper-case path; a path not listed does not exist.
  std::map<std::string, std::string> shortNames;
  std::map<std::string, std::string> longNames;
  bool temporaryFilesFail = false;

  MessageAnswer messageBox(const MessageBoxRequest& request) override {
    boxes.push_back(request);
    if (answers.empty()) return MessageAnswer::Ok;
    const auto answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void processPendingMessages() override {}
  // Waits for a worker's wake-up; a short timeout stands for the dialog's timer messages.
  void handleOneMessage() override {
    if (onMessage) onMessage();
    std::unique_lock lock(messageLock_);
    messageArrived_.wait_for(lock, std::chrono::milliseconds(1), [&] { return wakeUps_ > 0; });
    if (wakeUps_ > 0) --wakeUps_;
  }

  class Library : public PluginLibrary {
   public:
    Library(FakePlatform& owner, FakePlugin plugin) : owner_(owner), plugin_(std::move(plugin)) {}
    ~Library() override { ++owner_.pluginsUnloaded; }
    std::optional<int32_t> execute(const PluginCall& call) override {
      try {
        return plugin_(call);
      } catch (const PluginFault&) {
        return std::nullopt;
      }
    }

   private:
    FakePlatform& owner_;
    FakePlugin plugin_;
  };
  std::unique_ptr<PluginLibrary> loadPlugin(const std::string& path) override {
    const auto found = plugins.find(upperAscii(path));
    if (found == plugins.end()) return nullptr;
    ++pluginsLoaded;
    return std::make_unique<Library>(*this, found->second);
  }

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
  bool deleteValue(RegistryRoot root, const std::string& key,
                   const std::string& valueName) override {
    return registry.erase(regPath(root, key, valueName)) > 0;
  }

  bool fileExists(const std::string& path) override { return files.contains(upperAscii(path)); }
  static std::string folderKey(const std::string& path) {
    return upperAscii(withoutTrailingBackslash(path));
  }
  // A folder exists when it was created or a file lies somewhere under it.
  bool folderExists(const std::string& path) override {
    const std::string key = folderKey(path);
    if (folders.contains(key)) return true;
    const auto after = files.lower_bound(key + "\\");
    return after != files.end() && after->first.starts_with(key + "\\");
  }
  std::vector<std::string> createdFolders;
  bool createFolders(const std::string& path) override {
    createdFolders.push_back(path);
    folders.insert(folderKey(path));
    return true;
  }
  std::optional<std::string> readFile(const std::string& path) override {
    auto found = files.find(upperAscii(path));
    if (found == files.end()) return std::nullopt;
    return found->second;
  }
  bool writeFile(const std::string& path, const std::string& bytes) override {
    originalPaths.emplace(upperAscii(path), path);
    files[upperAscii(path)] = bytes;
    return true;
  }
  bool deleteFile(const std::string& path) override { return files.erase(upperAscii(path)) > 0; }
  std::vector<std::string> listFolder(const std::string& folder,
                                      const std::string& pattern) override {
    std::vector<std::string> names;
    const std::string prefix = upperAscii(folder);
    const std::string stem = upperAscii(pattern.substr(0, pattern.find('*')));
    for (const auto& [path, bytes] : files) {
      if (!path.starts_with(prefix)) continue;
      const std::string name = path.substr(prefix.size());
      if (name.find('\\') != std::string::npos || !name.starts_with(stem)) continue;
      const auto original = originalPaths.find(path);
      names.push_back(original == originalPaths.end() ? name
                                                      : original->second.substr(prefix.size()));
    }
    return names;
  }

  FolderCreation createFolderExclusive(const std::string& path) override {
    const std::string key = folderKey(path);
    if (foldersThatFail.contains(key)) return FolderCreation::Failed;
    if (FakePlatform::folderExists(path) || fileExists(path)) return FolderCreation::AlreadyExists;
    folders.insert(key);
    return FolderCreation::Created;
  }
  bool copyFile(const std::string& from, const std::string& to) override {
    const auto found = files.find(upperAscii(from));
    if (found == files.end()) return false;
    originalPaths.emplace(upperAscii(to), to);
    files[upperAscii(to)] = found->second;
    if (readOnlyFiles.contains(upperAscii(from))) readOnlyFiles.insert(upperAscii(to));
    return true;
  }
  bool setNormalAttributes(const std::string& path) override {
    readOnlyFiles.erase(upperAscii(path));
    return fileExists(path);
  }
  void removeTree(const std::string& path) override {
    const std::string key = folderKey(path);
    const auto inside = [&](const std::string& p) { return p == key || p.starts_with(key + "\\"); };
    std::erase_if(files, [&](const auto& file) { return inside(file.first); });
    std::erase_if(folders, inside);
  }

  std::optional<std::string> shortPathName(const std::string& path) override {
    return answerFor(shortNames, path);
  }
  std::optional<std::string> longPathName(const std::string& path) override {
    return answerFor(longNames, path);
  }
  // The lowest free name: prefix + hexadecimal number from 1 + ".tmp".
  std::optional<std::string> createTemporaryFile(const std::string& folder,
                                                 const std::string& prefix) override {
    if (temporaryFilesFail) return std::nullopt;
    for (unsigned number = 1;; ++number) {
      char name[32];
      std::snprintf(name, sizeof name, "%X.tmp", number);
      const std::string path = withTrailingBackslash(folder) + prefix + name;
      if (files.emplace(upperAscii(path), "").second) return path;
    }
  }

  std::string shortDate() override { return "12/10/2026"; }
  std::string longTime() override { return "10:41:00 AM"; }
  std::string temporaryFolder() override { return "C:\\Temp\\"; }
  std::string enginePath() override { return "C:\\Setup\\setup.exe"; }
  std::string engineVersion() override { return "1.0.0.0"; }
  bool isNtFamily() override { return true; }
  bool isAdministrator() override { return true; }
  StdThreads threads{[this] {
    std::lock_guard lock(messageLock_);
    ++wakeUps_;
    messageArrived_.notify_all();
  }};

  void requestRestart() override { ++restartRequests; }
  std::string specialFolder(int csidl) override {
    switch (csidl) {
      case 0x00:
        return "C:\\Users\\user\\Desktop";
      case 0x05:
        return "C:\\Users\\user\\Documents";
      case 0x19:
        return "C:\\Users\\Public\\Desktop";
      case 0x26:
        return "C:\\Program Files";
      default:
        return {};
    }
  }

 private:
  static std::optional<std::string> answerFor(const std::map<std::string, std::string>& answers,
                                              const std::string& path) {
    const auto found = answers.find(upperAscii(path));
    if (found == answers.end()) return std::nullopt;
    return found->second;
  }
  std::mutex messageLock_;
  std::condition_variable messageArrived_;
  int wakeUps_ = 0;
};

// The start-up's services: a given command line and common controls version; the start-up
// windows are recorded as events.
class FakeStartup : public StartupServices {
 public:
  std::string line = "setup.exe";
  std::vector<std::string> split;
  std::optional<FileVersion> comctl = FileVersion{6, 10, 0, 0};
  std::vector<std::string> events;
  bool boundToFirstProcessor = false;

  std::string commandLine() override { return line; }
  std::vector<std::string> arguments() override { return split; }
  void bindToFirstProcessor() override { boundToFirstProcessor = true; }
  std::optional<FileVersion> commonControlsVersion() override { return comctl; }
  void showStartWindows(const std::string& splashPicture, const std::string& caption,
                        const std::string& text) override {
    events.push_back("show " + splashPicture + " | " + caption + " | " + text);
  }
  WindowHandle preparingWindow() override { return 77; }
  void setPreparingProgress(int minimum, int maximum, int position) override {
    events.push_back("progress " + std::to_string(minimum) + " " + std::to_string(maximum) + " " +
                     std::to_string(position));
  }
  void closeStartWindows() override { events.push_back("close"); }
};

}  // namespace kx::test
