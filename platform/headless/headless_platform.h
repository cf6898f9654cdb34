#pragma once
// A platform without windows or Windows, for running scripts on the build machine (zelrun).
// Paths are Windows paths: "Z:\" is the host's root, as under Wine; every other drive letter
// lives in a folder of its own under the run's sandbox folder. Message boxes and dialogs are
// answered from queues and logged to a stream.
#include <deque>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "platform/headless/picture_codecs.h"
#include "platform/platform.h"
#include "platform/std_threads.h"
#include "platform/zel_archive_library.h"

namespace kx {

class HeadlessPlatform : public UserInterface,
                         public DialogWindows,
                         public Registry,
                         public FileSystem,
                         public SystemInfo,
                         public Modules {
 public:
  HeadlessPlatform(std::string sandboxFolder, std::string enginePath, std::ostream& log);

  Platform platform() {
    return {this, this, this, this, this, this, &threads_, &archives_, &pictures_};
  }
  std::deque<MessageAnswer> answers;   // next message box answers; OK when empty
  std::deque<DialogOutcome> outcomes;  // next dialog outcomes; Next when empty

  // Host path of a Windows path, and back.
  std::string hostPath(const std::string& windowsPath) const;
  static std::string windowsPath(const std::string& hostPath);

  MessageAnswer messageBox(const MessageBoxRequest& request) override;
  void processPendingMessages() override {}
  void handleOneMessage() override {}

  DialogOutcome show(const std::string& key, bool modal) override;
  void hide(const std::string&) override {}

  std::optional<std::string> readString(RegistryRoot root, const std::string& key,
                                        const std::string& valueName) override;
  bool writeString(RegistryRoot root, const std::string& key, const std::string& valueName,
                   const std::string& value) override;
  bool deleteValue(RegistryRoot root, const std::string& key,
                   const std::string& valueName) override;

  bool fileExists(const std::string& path) override;
  bool folderExists(const std::string& path) override;
  std::optional<std::string> readFile(const std::string& path) override;
  bool writeFile(const std::string& path, const std::string& bytes) override;
  bool deleteFile(const std::string& path) override;
  std::vector<std::string> listFolder(const std::string& folder,
                                      const std::string& pattern) override;
  FolderCreation createFolderExclusive(const std::string& path) override;
  bool copyFile(const std::string& from, const std::string& to) override;
  bool setNormalAttributes(const std::string& path) override;
  void removeTree(const std::string& path) override;
  // The host keeps no 8.3 names: an existing path is its own short form, as on a Windows
  // volume without short names.
  std::optional<std::string> shortPathName(const std::string& path) override;
  // Drive paths only; the drive letter in upper case, each component spelt as the host folder
  // lists it, matched exactly or else ignoring the case of A-Z.
  std::optional<std::string> longPathName(const std::string& path) override;
  // prefix + the lowest free number from 1 in upper-case hexadecimal + ".tmp".
  std::optional<std::string> createTemporaryFile(const std::string& folder,
                                                 const std::string& prefix) override;
  bool createFolders(const std::string& path) override;

  std::string shortDate() override;
  std::string longTime() override;
  std::string temporaryFolder() override;
  std::string enginePath() override { return enginePath_; }
  std::string engineVersion() override;
  bool isNtFamily() override { return true; }
  bool isAdministrator() override { return true; }
  std::string specialFolder(int csidl) override;
  void requestRestart() override { log_ << "Restart requested\n"; }

  // Windows libraries do not load on the build machine: every plug-in call fails, which leaves
  // the variables as they were.
  std::unique_ptr<PluginLibrary> loadPlugin(const std::string& path) override;

 private:
  // No window messages to wait for: a finished worker needs no wake-up.
  StdThreads threads_{nullptr};
  LibraryPictureCodecs pictures_;
  ZelArchiveLibrary archives_{ZelLinkedFunctions,
                              [this](const std::string& path) { return hostPath(path); }};
  std::string sandbox_;
  std::string enginePath_;
  std::ostream& log_;
  std::map<std::string, std::string> registry_;  // upper-case "root\key\value" -> data
};

// The start of a zelrun run: its command line, and the script file and support folder it
// prepared. There are no start-up windows to show.
class HeadlessStartup : public StartupServices {
 public:
  HeadlessStartup(std::string commandLine, std::vector<std::string> arguments, PreparedRun prepared)
      : commandLine_(std::move(commandLine)),
        arguments_(std::move(arguments)),
        prepared_(std::move(prepared)) {}
  std::string commandLine() override { return commandLine_; }
  std::vector<std::string> arguments() override { return arguments_; }
  void bindToFirstProcessor() override {}
  std::optional<FileVersion> commonControlsVersion() override { return std::nullopt; }
  void showStartWindows(const std::string&, const std::string&, const std::string&) override {}
  WindowHandle preparingWindow() override { return 0; }
  void setPreparingProgress(int, int, int) override {}
  void closeStartWindows() override {}
  std::optional<PreparedRun> preparedRun() override { return prepared_; }

 private:
  std::string commandLine_;
  std::vector<std::string> arguments_;
  PreparedRun prepared_;
};

// One line of the log: CR LF as "$NEWLINE$", other bytes below 32 as \xNN.
std::string escapeForLog(const std::string& text);

}  // namespace kx
