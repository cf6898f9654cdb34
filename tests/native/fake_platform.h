#pragma once
// An in-memory machine for native tests: files and registry in maps, message boxes and dialogs
// answered from queues and recorded.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "base/values.h"
#include "dialogs/forms/form_model.h"
#include "platform/file_web_server.h"
#include "platform/headless/picture_codecs.h"
#include "platform/platform.h"
#include "platform/std_threads.h"
#include "platform/zel_archive_library.h"

namespace kx::test {

// Thrown by a fake plug-in to stand for an exception or processor fault inside the library.
struct PluginFault {};
using FakePlugin = std::function<int32_t(const PluginCall&)>;

// Logs what is done to installer packages: "open PATH", "execute SQL [VALUE|VALUE]",
// "replace TABLE.COLUMN", "package code CODE", "commit", "close". Packages open unless their
// upper-case path is in `unopenable`; a statement fails when its text is in `failingSql`.
class FakeInstaller : public WindowsInstaller {
 public:
  std::vector<std::string> log;
  std::set<std::string> unopenable;
  std::set<std::string> failingSql;
  std::vector<std::string> componentCodes = {"{OLD-1}", "{OLD-2}"};

  std::unique_ptr<InstallerPackage> openForEditing(const std::string& path) override {
    if (unopenable.contains(upperAscii(path))) return nullptr;
    log.push_back("open " + path);
    return std::make_unique<Package>(*this);
  }

  // Installations: each call is logged too ("enable log MODE PATH ATTRIBUTES", "handler
  // FILTER", "source CODE|USER|SOURCE", "install PACKAGE|COMMAND LINE", "patch PATCH|COMMAND
  // LINE", "action PACKAGE ACTION NAME=VALUE|..."). During an installation the `messages` go to
  // the handler, its answers to `answers`; `duringInstallation` then runs.
  std::map<std::string, int32_t> productStates;              // upper-case code
  std::map<std::string, std::string> installedPackageCodes;  // upper-case code
  uint32_t installationResult = 0;
  bool actionNeedsRestart = false;
  std::vector<std::pair<uint32_t, std::string>> messages;
  std::vector<int32_t> answers;
  std::function<void()> duringInstallation;
  InstallerMessageHandler handler;

  int32_t productState(const std::string& productCode) override {
    const auto found = productStates.find(upperAscii(productCode));
    return found == productStates.end() ? -1 : found->second;
  }
  std::optional<std::string> productInfo(const std::string& productCode,
                                         const std::string& property) override {
    const auto found = installedPackageCodes.find(upperAscii(productCode));
    if (property != "PackageCode" || found == installedPackageCodes.end()) return std::nullopt;
    return found->second;
  }
  void enableLog(uint32_t mode, const std::string& path, uint32_t attributes) override {
    log.push_back("enable log " + hex(mode) + " " + path + " " + std::to_string(attributes));
  }
  void setMessageHandler(uint32_t filter, InstallerMessageHandler newHandler) override {
    log.push_back("handler " + hex(filter));
    handler = std::move(newHandler);
  }
  void addSource(const std::string& productCode, const std::string& user,
                 const std::string& source) override {
    log.push_back("source " + productCode + "|" + user + "|" + source);
  }
  uint32_t installProduct(const std::string& package, const std::string& commandLine) override {
    log.push_back("install " + package + "|" + commandLine);
    return runInstallation();
  }
  uint32_t applyPatch(const std::string& patch, const std::string& commandLine) override {
    log.push_back("patch " + patch + "|" + commandLine);
    return runInstallation();
  }
  PackageActionResult runPackageAction(
      const std::string& package,
      const std::vector<std::pair<std::string, std::string>>& properties,
      const std::string& action) override {
    std::string entry = "action " + package + " " + action + " ";
    for (size_t i = 0; i < properties.size(); ++i)
      entry += (i ? "|" : "") + properties[i].first + "=" + properties[i].second;
    log.push_back(entry);
    return {runInstallation(), actionNeedsRestart};
  }

 private:
  class Package : public InstallerPackage {
   public:
    explicit Package(FakeInstaller& owner) : owner_(owner) {}
    ~Package() override { owner_.log.push_back("close"); }
    bool execute(std::string_view sql, const std::vector<std::string>& values) override {
      std::string entry = "execute " + std::string(sql);
      if (!values.empty()) {
        entry += " [";
        for (size_t i = 0; i < values.size(); ++i) entry += (i ? "|" : "") + values[i];
        entry += "]";
      }
      owner_.log.push_back(entry);
      return !owner_.failingSql.contains(std::string(sql));
    }
    bool replaceColumnValues(std::string_view table, std::string_view column,
                             const std::function<std::string()>& newValue) override {
      owner_.log.push_back("replace " + std::string(table) + "." + std::string(column));
      for (std::string& code : owner_.componentCodes) code = newValue();
      return true;
    }
    bool setPackageCode(const std::string& code) override {
      owner_.log.push_back("package code " + code);
      return true;
    }
    bool commit() override {
      owner_.log.push_back("commit");
      return true;
    }

   private:
    FakeInstaller& owner_;
  };

  static std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
  }
  uint32_t runInstallation() {
    for (const auto& [type, text] : messages) answers.push_back(handler ? handler(type, text) : 0);
    if (duringInstallation) duringInstallation();
    return installationResult;
  }
};

// Processes, services and shares of an imagined network: every query and change is logged.
class FakeMachineServices : public MachineServices {
 public:
  std::vector<std::string> programs;
  // States by upper-case "COMPUTER|SERVICE" (empty computer: this one).
  std::map<std::string, uint32_t> states;
  std::vector<std::string>
      log;  // "share COMPUTER|NAME|PATH|REMARK|printer or folder", "unshare ..."

  std::vector<std::string> runningPrograms() override { return programs; }
  std::optional<uint32_t> serviceState(const std::string& computer,
                                       const std::string& service) override {
    const auto found = states.find(upperAscii(computer + "|" + service));
    if (found == states.end()) return std::nullopt;
    return found->second;
  }
  bool addShare(const Share& share) override {
    log.push_back("share " + share.computer + "|" + share.name + "|" + share.path + "|" +
                  share.remark + "|" + (share.printer ? "printer" : "folder"));
    return true;
  }
  bool deleteShare(const std::string& computer, const std::string& name) override {
    log.push_back("unshare " + computer + "|" + name);
    return true;
  }
};

// Access lists held in memory per object kind and upper-case name; a missing list is
// std::nullopt (nothing restricted).
class FakeAccessControl : public AccessControl {
 public:
  struct Entry {
    Account account;
    uint32_t mask = 0;
    uint8_t inheritance = 0;
    bool operator==(const Entry&) const = default;
  };
  using List = std::optional<std::vector<Entry>>;
  std::map<std::pair<SecuredKind, std::string>, List> objects;
  std::set<std::string> unknownAccounts;  // named accounts that cannot be looked up
  std::vector<SecuredKind> opened;        // in order
  int writes = 0;

  List& list(SecuredKind kind, const std::string& name) {
    return objects[{kind, upperAscii(name)}];
  }

  std::unique_ptr<SecuredObject> open(SecuredKind kind, const std::string& name) override {
    opened.push_back(kind);
    const auto found = objects.find({kind, upperAscii(name)});
    if (found == objects.end()) return nullptr;
    return std::make_unique<Object>(*this, found->second);
  }

 private:
  class Object : public SecuredObject {
   public:
    Object(FakeAccessControl& owner, List& stored)
        : owner_(owner), stored_(stored), list_(stored) {}
    bool removeEntries(const Account& account) override {
      if (!known(account)) return false;
      if (list_) std::erase_if(*list_, [&](const Entry& e) { return e.account == account; });
      return true;
    }
    bool allow(const Account& account, uint32_t mask, uint8_t inheritance) override {
      if (!known(account)) return false;
      if (!list_) list_.emplace();
      list_->push_back({account, mask, inheritance});
      return true;
    }
    void clearList() override { list_.emplace(); }
    void removeList() override { list_.reset(); }
    bool write() override {
      ++owner_.writes;
      stored_ = list_;
      return true;
    }

   private:
    bool known(const Account& account) const {
      return account.kind != Account::Kind::Named ||
             !owner_.unknownAccounts.contains(upperAscii(account.name));
    }
    FakeAccessControl& owner_;
    List& stored_;
    List list_;
  };
};

// Registrations logged as "typelib PATH on|off", "program PATH OPTION", "library PATH on|off";
// each succeeds unless its upper-case path is in `failing`, or throws when in `throwing`.
class FakeComRegistration : public ComRegistration {
 public:
  std::vector<std::string> log;
  std::set<std::string> failing;
  std::set<std::string> throwing;

  bool registerTypeLibrary(const std::string& path, bool doRegister) override {
    return answer("typelib " + path + (doRegister ? " on" : " off"), path);
  }
  bool startRegistrationProgram(const std::string& path, const std::string& option) override {
    return answer("program " + path + option, path);
  }
  bool callSelfRegistration(const std::string& path, bool doRegister) override {
    return answer("library " + path + (doRegister ? " on" : " off"), path);
  }

 private:
  bool answer(const std::string& entry, const std::string& path) {
    if (throwing.contains(upperAscii(path))) throw std::runtime_error("registration fault");
    log.push_back(entry);
    return !failing.contains(upperAscii(path));
  }
};

// Dialog windows that record what the host asks of them. At each handled message the test acts
// as the user on the window in front, or the next outcome answers it (Next when none is left).
class FakeDialogWindows : public DialogWindows {
 public:
  class Window : public DialogWindow {
   public:
    Window(FakeDialogWindows& owner, DialogForm& form, DialogEvents& events, WindowHandle handle)
        : form(form), events(events), owner_(owner), handle_(handle) {
      const PropertyHolder& host = form.host;
      rect = {0, 0, host.integer("ClientWidth"), host.integer("ClientHeight")};
    }
    ~Window() override {
      if (owner_.front == this) owner_.front = nullptr;
      std::erase(owner_.windows, this);
    }
    WindowHandle handle() const override { return handle_; }
    void update() override { ++updates; }
    ScreenRect bounds() const override { return rect; }
    void moveTo(int left, int top) override {
      rect.left = left;
      rect.top = top;
    }
    void bringToFront() override {
      visible = true;
      owner_.front = this;
      owner_.shown.push_back(form.name);
      owner_.log.push_back("front " + form.name);
    }
    void hide() override {
      visible = false;
      owner_.log.push_back("hide " + form.name);
    }
    void setRedraw(bool on) override {
      owner_.log.push_back((on ? "redraw on " : "redraw off ") + form.name);
    }
    void focusControl(std::string_view control) override { focused = std::string(control); }
    void startPageRefreshTimer(int) override {}
    void stopPageRefreshTimer() override {}

    // The user changes a control in the model, then the window reports it.
    void act(std::string_view control, std::string_view property, std::string_view value,
             ControlEvent event, std::string_view detail = {}) {
      if (!property.empty()) form.setPropertyText(control, property, value);
      events.controlEvent(control, event, detail);
    }

    DialogForm& form;
    DialogEvents& events;
    ScreenRect rect;
    bool visible = false;
    int updates = 0;
    std::string focused;

   private:
    FakeDialogWindows& owner_;
    WindowHandle handle_;
  };
  struct Answer {
    int32_t resultCode;
    std::string customName;
  };

  std::vector<Window*> windows;  // the live ones, in creation order
  Window* front = nullptr;
  std::vector<std::string> log;    // "front NAME", "hide NAME", "redraw off NAME", ...
  std::vector<std::string> shown;  // form names, as brought to front
  std::deque<Answer> outcomes;
  std::function<void(Window&)> user;
  ScreenRect area{0, 0, 1024, 768};
  std::deque<std::string> folders;                     // what the folder picker answers, in order
  std::vector<std::pair<WindowHandle, bool>> pickers;  // owner, new-folder button
  int messages = 0;

  Window* window(std::string_view formName) {
    for (Window* w : windows)
      if (w->form.name == formName) return w;
    return nullptr;
  }

  std::unique_ptr<DialogWindow> create(DialogForm& form, DialogEvents& events) override {
    auto made = std::make_unique<Window>(*this, form, events, 4242 + created_++);
    windows.push_back(made.get());
    return made;
  }
  ScreenRect screenArea() override { return area; }
  void processPendingMessages() override {}
  void handleOneMessage() override {
    if (++messages > 1000) throw std::runtime_error("the dialog was never decided");
    if (!front) return;
    if (user) return user(*front);
    Answer answer{6, ""};
    if (!outcomes.empty()) {
      answer = outcomes.front();
      outcomes.pop_front();
    }
    front->events.decide(answer.resultCode, answer.customName);
  }
  std::vector<std::string> pickerTitles;
  std::string pickFolder(WindowHandle owner, bool newFolderButton,
                         const std::string& title) override {
    pickers.emplace_back(owner, newFolderButton);
    pickerTitles.push_back(title);
    if (folders.empty()) return {};
    std::string folder = folders.front();
    folders.pop_front();
    return folder;
  }

 private:
  WindowHandle created_ = 0;
};

class FakePlatform : public UserInterface,
                     public Registry,
                     public FileSystem,
                     public SystemInfo,
                     public Modules,
                     public Programs {
 public:
  Platform platform() {
    return {this,       this, this,      this,      this, &threads,   &archives,     &pictures,
            &installer, this, &services, &security, &com, &webServer, &dialogWindows};
  }

  FakeMachineServices services;
  FakeAccessControl security;
  FakeComRegistration com;

  // Programs that start, by upper-case path (of the program or document); every start is
  // logged as "PROGRAM PARAMETERS" (a start as a user: its command line).
  std::set<std::string> programs;
  std::vector<std::string> programsRun;
  // What a waited-for program ends with, by upper-case path (0 when not listed). One that never
  // ends is waited for until the cancel request.
  std::map<std::string, int32_t> exitCodes;
  std::set<std::string> neverEnding;
  // A program that is not waited for is running still, unless it ends at once.
  std::set<std::string> endingAtOnce;
  std::vector<ShellStart> shellStarts;
  std::vector<UserStart> userStarts;
  // When set, every start as a user answers it before any program is looked up.
  std::optional<int32_t> userStartFailure;
  // Called as a program starts, before it is waited for.
  std::function<void(const std::string& program)> onProgramStart;
  // Stands for a wait that the cancel request never reached.
  static constexpr int32_t kWaitNeverStopped = -424242;

  std::optional<int32_t> runThroughShell(const ShellStart& start) override {
    shellStarts.push_back(start);
    if (!programs.contains(upperAscii(start.file))) return std::nullopt;
    programsRun.push_back(start.file + " " + start.parameters);
    return ranProgram(start.file, start.wait, start.cancel);
  }
  int32_t runAsUser(const UserStart& start) override {
    userStarts.push_back(start);
    if (userStartFailure) return *userStartFailure;
    // The program is the quoted text the command line begins with.
    const size_t end = start.commandLine.find('"', 1);
    const std::string program = start.commandLine.substr(1, end - 1);
    if (!programs.contains(upperAscii(program)))
      return start.user.empty() ? run_as_codes::kStartOwnAccount : run_as_codes::kStartFileNotFound;
    programsRun.push_back(start.commandLine);
    return ranProgram(program, start.wait, start.cancel);
  }

  std::vector<TopLevelWindow> topWindows;
  std::vector<WindowHandle> closeRequests;
  bool windowsCloseOnRequest = true;
  std::vector<TopLevelWindow> topLevelWindows() override { return topWindows; }
  void askToClose(WindowHandle window) override {
    closeRequests.push_back(window);
    if (windowsCloseOnRequest)
      std::erase_if(topWindows, [&](const TopLevelWindow& w) { return w.handle == window; });
  }

  FakeInstaller installer;
  // The file-backed web server; not installed until a test says so.
  FileWebServer webServer;

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
  FakeDialogWindows dialogWindows;
  std::map<std::string, std::string> files;          // upper-case path -> bytes
  std::map<std::string, std::string> originalPaths;  // upper-case path -> as first written
  std::set<std::string> folders;          // upper-case paths without a trailing backslash
  std::set<std::string> readOnlyFiles;    // upper-case paths
  std::set<std::string> foldersThatFail;  // createFolderExclusive answers Failed for these
  int restartRequests = 0;
  std::map<std::string, RegistryValue> registry;  // upper-case "root\key\value"
  std::set<std::string> registryKeys;             // upper-case "root\key"
  std::set<std::string> refusedKeys;              // upper-case "root\key": writes refused
  std::set<std::string> unreadableValues;         // upper-case "root\key\value": ReadError
  // Version information by upper-case path.
  std::map<std::string, VersionInformation> versions;
  std::map<std::string, DiskSpace> disks;  // by upper-case drive ("C:")
  // INI values by upper-case "file|section|key".
  std::map<std::string, std::string> iniValues;
  std::set<std::string> unreadableFiles;  // upper-case paths that cannot be opened
  WindowsVersion windows{true, 6, 1, 7601, "Service Pack 1"};
  uint64_t physicalMemory = uint64_t{4096} << 20;
  ScreenFacts screenFacts{1024, 768, 32, 96};
  std::set<UserGroup> groups{UserGroup::Administrators, UserGroup::Users};
  std::map<std::string, std::string> environment;  // upper-case name -> value
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

  static std::string regKey(RegistryRoot root, std::string key) {
    while (!key.empty() && key.back() == '\\') key.pop_back();
    return std::to_string(static_cast<int>(root)) + "\\" + upperAscii(key);
  }
  static std::string regPath(RegistryRoot root, const std::string& key, const std::string& v) {
    return regKey(root, key) + "\\" + upperAscii(v);
  }
  RegistryRead readValue(RegistryRoot root, const std::string& key,
                         const std::string& valueName) override {
    if (!registryKeys.contains(regKey(root, key))) return {RegistryReadStatus::NoKey, {}};
    const std::string path = regPath(root, key, valueName);
    if (unreadableValues.contains(path)) return {RegistryReadStatus::ReadError, {}};
    auto found = registry.find(path);
    if (found == registry.end()) return {RegistryReadStatus::NoValue, {}};
    return {RegistryReadStatus::Found, found->second};
  }
  bool writeValue(RegistryRoot root, const std::string& key, const std::string& valueName,
                  const RegistryValue& value) override {
    if (refusedKeys.contains(regKey(root, key))) return false;
    registryKeys.insert(regKey(root, key));
    registry[regPath(root, key, valueName)] = value;
    return true;
  }
  bool deleteValue(RegistryRoot root, const std::string& key,
                   const std::string& valueName) override {
    return registry.erase(regPath(root, key, valueName)) > 0;
  }
  bool deleteKey(RegistryRoot root, const std::string& key) override {
    const std::string path = regKey(root, key);
    const auto under = [&](const std::string& entry) {
      return entry == path || entry.starts_with(path + "\\");
    };
    const size_t keys = std::erase_if(registryKeys, under);
    std::erase_if(registry, [&](const auto& entry) { return under(entry.first); });
    return keys > 0;
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
    std::erase_if(files, [&](const auto& file) {
      return inside(file.first) && !filesInUse.contains(file.first);
    });
    std::erase_if(folders, inside);
  }
  // Upper-case paths that removeTree cannot delete, as a running program; they can be moved.
  std::set<std::string> filesInUse;

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

  // Entries of `files` and `folders` directly in the pattern's folder whose names match its
  // mask (wildcards "*" and "?"), folders first, each group in name order.
  std::vector<FolderEntry> findEntries(const std::string& pattern) override {
    const std::string folder(folderPart(pattern));
    const std::string mask = upperAscii(fileNamePart(pattern));
    const std::string prefix = upperAscii(folder);
    std::vector<FolderEntry> entries;
    std::set<std::string> seenFolders;
    const auto consider = [&](const std::string& upperPath, bool isFile) {
      if (!upperPath.starts_with(prefix) || upperPath.size() == prefix.size()) return;
      std::string rest = upperPath.substr(prefix.size());
      const size_t slash = rest.find('\\');
      const bool folderEntry = !isFile || slash != std::string::npos;
      if (slash != std::string::npos) rest.resize(slash);
      if (!wildcardMatch(mask, rest)) return;
      if (folderEntry && !seenFolders.insert(rest).second) return;
      const auto original = originalPaths.find(upperPath);
      std::string name = rest;
      if (original != originalPaths.end())
        name = original->second.substr(prefix.size(), rest.size());
      entries.push_back({name, folderEntry});
    };
    for (const auto& folderPath : folders) consider(folderPath, false);
    for (const auto& [path, bytes] : files) consider(path, true);
    std::stable_partition(entries.begin(), entries.end(),
                          [](const FolderEntry& e) { return e.isFolder; });
    return entries;
  }
  static bool wildcardMatch(std::string_view mask, std::string_view name) {
    if (mask == "*.*" || mask == "*") return true;
    if (mask.empty()) return name.empty();
    if (mask[0] == '*')
      return wildcardMatch(mask.substr(1), name) ||
             (!name.empty() && wildcardMatch(mask, name.substr(1)));
    if (name.empty()) return false;
    return (mask[0] == '?' || mask[0] == name[0]) && wildcardMatch(mask.substr(1), name.substr(1));
  }
  std::optional<VersionInformation> versionInformation(const std::string& path) override {
    const auto found = versions.find(upperAscii(path));
    if (found == versions.end()) return std::nullopt;
    return found->second;
  }
  DiskSpace diskSpace(const std::string& path) override {
    const auto found = disks.find(upperAscii(path.substr(0, 2)));
    return found == disks.end() ? DiskSpace{} : found->second;
  }
  std::string iniValue(const std::string& file, const std::string& section,
                       const std::string& key) override {
    const auto found = iniValues.find(upperAscii(file + "|" + section + "|" + key));
    return found == iniValues.end() ? std::string() : found->second.substr(0, 259);
  }
  class StringFile : public ReadableFile {
   public:
    explicit StringFile(std::string bytes) : bytes_(std::move(bytes)) {}
    size_t read(char* buffer, size_t size) override {
      const size_t n = std::min(size, bytes_.size() - at_);
      std::copy_n(bytes_.data() + at_, n, buffer);
      at_ += n;
      return n;
    }

   private:
    std::string bytes_;
    size_t at_ = 0;
  };
  std::unique_ptr<ReadableFile> openForReading(const std::string& path) override {
    const auto found = files.find(upperAscii(path));
    if (found == files.end() || unreadableFiles.contains(found->first)) return nullptr;
    return std::make_unique<StringFile>(found->second);
  }
  // Folders are renamed with what lies in them, unless a locked file does.
  bool renameFolder(const std::string& from, const std::string& to) override {
    const std::string source = folderKey(from), target = folderKey(to);
    if (!folderExists(from) || folderExists(to)) return false;
    const auto inside = [&](const std::string& p) {
      return p == source || p.starts_with(source + "\\");
    };
    for (const std::string& locked : lockedFiles)
      if (inside(locked)) return false;
    const auto moved = [&](const std::string& p) { return target + p.substr(source.size()); };
    std::map<std::string, std::string> kept;
    for (auto& [path, bytes] : files) kept[inside(path) ? moved(path) : path] = std::move(bytes);
    files = std::move(kept);
    std::set<std::string> keptFolders;
    for (const std::string& folder : folders)
      keptFolders.insert(inside(folder) ? moved(folder) : folder);
    keptFolders.insert(target);
    folders = std::move(keptFolders);
    return true;
  }
  std::vector<std::string> deletedAtRestart;
  bool deleteAtRestart(const std::string& path) override {
    deletedAtRestart.push_back(path);
    return true;
  }
  // Paths (upper case) that cannot be renamed, as a file in use.
  std::set<std::string> lockedFiles;
  bool renameFile(const std::string& from, const std::string& to) override {
    const auto found = files.find(upperAscii(from));
    if (found == files.end() || files.contains(upperAscii(to)) ||
        lockedFiles.contains(found->first))
      return false;
    std::string bytes = std::move(found->second);
    files.erase(found);
    files[upperAscii(to)] = std::move(bytes);
    originalPaths.emplace(upperAscii(to), to);
    return true;
  }

  std::string shortDate() override { return "12/10/2026"; }
  std::string longTime() override { return "10:41:00 AM"; }
  std::string temporaryFolder() override { return "C:\\Temp\\"; }
  std::string enginePath() override { return "C:\\Setup\\setup.exe"; }
  std::string engineVersion() override { return "1.0.0.0"; }
  bool isNtFamily() override { return windows.ntFamily; }
  bool isAdministrator() override { return true; }
  WindowsVersion windowsVersion() override { return windows; }
  uint64_t totalPhysicalMemory() override { return physicalMemory; }
  ScreenFacts screen() override { return screenFacts; }
  std::string languageName(uint32_t languageId) override {
    return languageId == 0x409 ? "English (United States)" : "Language Neutral";
  }
  std::string userName() override { return "user"; }
  std::string userDomain() override { return "KESTRIX"; }
  std::string computerName() override { return "BUILDBOX"; }
  bool isMemberOf(UserGroup group) override { return groups.contains(group); }
  std::string systemFolder() override { return "C:\\Windows\\system32"; }
  std::string windowsFolder() override { return "C:\\Windows"; }
  std::string firstCdromDrive() override { return "D:\\"; }
  // Numbered GUIDs, so a test can name the one it expects.
  std::string newGuid() override {
    char text[40];
    std::snprintf(text, sizeof text, "{00000000-0000-0000-0000-%012d}", ++guidsMade);
    return text;
  }
  int guidsMade = 0;
  // %NAME% references replaced from `environment`; unset names stay.
  std::string expandEnvironment(const std::string& text) override {
    std::string result;
    size_t at = 0;
    while (at < text.size()) {
      const size_t open = text.find('%', at);
      const size_t close = open == std::string::npos ? open : text.find('%', open + 1);
      if (close == std::string::npos) break;
      result += text.substr(at, open - at);
      const auto found = environment.find(upperAscii(text.substr(open + 1, close - open - 1)));
      if (found != environment.end()) {
        result += found->second;
        at = close + 1;
      } else {
        result += text.substr(open, close - open);
        at = close;
      }
    }
    return result + text.substr(std::min(at, text.size()));
  }

  StdThreads threads{[this] {
    std::lock_guard lock(messageLock_);
    ++wakeUps_;
    messageArrived_.notify_all();
  }};

  void requestRestart() override { ++restartRequests; }
  // The system's message texts by code, as FormatMessage gives them.
  std::map<uint32_t, std::string> errorMessages = {{1603, "Fatal error during installation.\r\n"},
                                                   {1602, "User cancelled installation.\r\n"}};
  // Latin-1 widened: the tests' texts are ASCII or Latin-1.
  std::string toUtf16le(const std::string& text) override {
    std::string bytes;
    for (const char c : text) bytes += {c, '\0'};
    return bytes;
  }
  std::string errorMessage(uint32_t code) override {
    const auto found = errorMessages.find(code);
    return found == errorMessages.end() ? std::string() : found->second;
  }
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
  // A started program, waited for in slices (of 1 ms here) as the system's wait would be.
  int32_t ranProgram(const std::string& program, bool wait, const std::atomic<bool>* cancel) {
    const std::string key = upperAscii(program);
    if (onProgramStart) onProgramStart(program);
    if (!wait) return endingAtOnce.contains(key) ? exitCodes[key] : kStillActive;
    if (!neverEnding.contains(key)) return exitCodes[key];
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!(cancel && *cancel)) {
      if (std::chrono::steady_clock::now() > giveUp) return kWaitNeverStopped;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return kStillActive;
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
