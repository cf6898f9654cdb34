#pragma once
// The engine's platform on Windows.
#include "platform/platform.h"
#include "platform/std_threads.h"
#include "platform/win32/wic_picture_codecs.h"
#include "platform/win32/win32_archive_library.h"
#include "platform/win32/win32_modules.h"

namespace kx {

class Win32Platform : public UserInterface,
                      public DialogWindows,
                      public Registry,
                      public FileSystem,
                      public SystemInfo {
 public:
  Win32Platform();
  // Libraries are looked up in the system folder only, never beside a downloaded setup. For
  // the engine's process, before anything loads.
  static void searchLibrariesInSystemFolderOnly();
  Win32ArchiveLibrary archives{*this};
  Platform platform() {
    return {this, this, this, this, this, &modules_, &threads_, &archives, &pictures_};
  }

  MessageAnswer messageBox(const MessageBoxRequest& request) override;
  void processPendingMessages() override;
  void handleOneMessage() override;
  void wakeMessageLoop() override;

  DialogOutcome show(const std::string& key, bool modal) override;
  void hide(const std::string& key) override;

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
  std::optional<std::string> shortPathName(const std::string& path) override;
  std::optional<std::string> longPathName(const std::string& path) override;
  std::optional<std::string> createTemporaryFile(const std::string& folder,
                                                 const std::string& prefix) override;
  bool createFolders(const std::string& path) override;

  std::string shortDate() override;
  std::string longTime() override;
  std::string temporaryFolder() override;
  std::string enginePath() override;
  std::string engineVersion() override;
  bool isNtFamily() override;
  bool isAdministrator() override;
  std::string specialFolder(int csidl) override;
  void requestRestart() override;

 private:
  unsigned long interpreterThread_;  // the thread that owns the windows and waits for workers
  Win32Modules modules_;
  // A finished worker wakes the interpreter with a null message.
  StdThreads threads_;
  WicPictureCodecs pictures_;
};

}  // namespace kx
