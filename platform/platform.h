#pragma once
// The narrow interfaces through which the portable engine reaches the machine. The Win32
// implementations live in platform/win32, the headless ones (zelrun) in platform/headless;
// native tests bring fakes of their own.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "media/zel/zel.h"

namespace kx {

using WindowHandle = uintptr_t;

// Codes as the "MessageBox" command numbers them.
enum class MessageIcon { Information = 0, Question = 1, Warning = 2, Error = 3 };
enum class MessageButtons {
  AbortRetryIgnore = 0,
  Ok = 1,
  OkCancel = 2,
  RetryCancel = 3,
  YesNo = 4,
  YesNoCancel = 5
};
enum class MessageAnswer { Ok, Cancel, Abort, Retry, Ignore, Yes, No };

struct MessageBoxRequest {
  WindowHandle owner = 0;
  std::string caption;
  std::string text;
  MessageIcon icon = MessageIcon::Information;
  MessageButtons buttons = MessageButtons::Ok;
  int defaultButton = 1;  // 1-based
};

// Windows and message boxes.
class UserInterface {
 public:
  virtual ~UserInterface() = default;
  virtual MessageAnswer messageBox(const MessageBoxRequest& request) = 0;
  // Handles every pending window message without waiting.
  virtual void processPendingMessages() = 0;
  // Waits for one window message and handles it.
  virtual void handleOneMessage() = 0;
  // Wakes handleOneMessage on the main thread (a worker posts WM_NULL); callable from workers.
  virtual void wakeMessageLoop() {}
};

// What a shown dialog answers. Result codes: 0 not modal, 2 cancel, 6 next, 7 back, 8 custom.
struct DialogOutcome {
  int32_t resultCode = 6;
  std::string customName;
  WindowHandle window = 0;
};

// The dialogs loaded at start-up, shown and hidden by key (statement number - 1 in decimal).
class DialogWindows {
 public:
  virtual ~DialogWindows() = default;
  virtual DialogOutcome show(const std::string& key, bool modal) = 0;
  virtual void hide(const std::string& key) = 0;
};

enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine, Users };

class Registry {
 public:
  virtual ~Registry() = default;
  virtual std::optional<std::string> readString(RegistryRoot root, const std::string& key,
                                                const std::string& valueName) = 0;
  virtual bool writeString(RegistryRoot root, const std::string& key,
                           const std::string& valueName, const std::string& value) = 0;
  virtual bool deleteValue(RegistryRoot root, const std::string& key,
                           const std::string& valueName) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual bool fileExists(const std::string& path) = 0;
  virtual bool folderExists(const std::string& path) = 0;
  virtual std::optional<std::string> readFile(const std::string& path) = 0;
  virtual bool writeFile(const std::string& path, const std::string& bytes) = 0;
  virtual bool deleteFile(const std::string& path) = 0;
  // Names (not paths) of the entries of a folder that match a wildcard pattern such as "*.txt".
  virtual std::vector<std::string> listFolder(const std::string& folder,
                                              const std::string& pattern) = 0;
  // Creates a folder with all its missing parents; true when it exists afterwards.
  virtual bool createFolders(const std::string& path) = 0;
};

// The archive library: zel.dll beside the engine on Windows, the linked-in reader elsewhere.
class ArchiveLibrary {
 public:
  virtual ~ArchiveLibrary() = default;
  // Its entries, or nullptr when the library cannot be loaded.
  virtual const ZelFunctions* archiveFunctions() = 0;
  // The path to hand the library for a path of the engine.
  virtual std::string archivePath(const std::string& path) = 0;
};

// Facts about the machine and the running engine.
class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  virtual std::string shortDate() = 0;
  virtual std::string longTime() = 0;
  virtual std::string temporaryFolder() = 0;  // with a trailing backslash
  virtual std::string enginePath() = 0;       // full path of the engine program
  virtual std::string engineVersion() = 0;    // "major.minor.release.build"
  virtual bool isNtFamily() = 0;
  virtual bool isAdministrator() = 0;
  // A shell folder by its CSIDL number, without a trailing backslash; empty when unknown.
  virtual std::string specialFolder(int csidl) = 0;
};

// The machine as the engine sees it; each member is owned by whoever builds the platform.
struct Platform {
  UserInterface* ui = nullptr;
  DialogWindows* dialogs = nullptr;
  Registry* registry = nullptr;
  FileSystem* files = nullptr;
  SystemInfo* system = nullptr;
  ArchiveLibrary* archives = nullptr;
};

}  // namespace kx
