#pragma once
// The build machine as a Windows machine: Windows 7 Service Pack 1 (NT 6.1 build 7601) with the
// host's physical memory, a 1024 x 768 screen of 32 bits at 96 pixels per inch and no CD-ROM
// drive; the host's user (USER, else LOGNAME) as a local administrator, the host's name as the
// computer's; the Windows folder C:\Windows, the shell folders of the account "user", the
// temporary folder in the sandbox and the host's environment. Restarts are only logged.
#include <ostream>
#include <string>

#include "platform/headless/sandbox.h"
#include "platform/platform.h"

namespace kx {

class HeadlessSystemInfo : public SystemInfo {
 public:
  HeadlessSystemInfo(const Sandbox& sandbox, std::string enginePath, std::ostream& log)
      : sandbox_(sandbox), enginePath_(std::move(enginePath)), log_(log) {}

  std::string shortDate() override;
  std::string longTime() override;
  std::string temporaryFolder() override;
  std::string enginePath() override { return enginePath_; }
  std::string engineVersion() override;
  bool isNtFamily() override { return true; }
  bool isAdministrator() override { return true; }
  std::string specialFolder(int csidl) override;
  WindowsVersion windowsVersion() override;
  uint64_t totalPhysicalMemory() override;
  ScreenFacts screen() override;
  std::string languageName(uint32_t languageId) override;
  std::string userName() override;
  std::string userDomain() override;
  std::string computerName() override;
  bool isMemberOf(UserGroup group) override;
  std::string systemFolder() override;
  std::string windowsFolder() override;
  std::string firstCdromDrive() override;
  std::string expandEnvironment(const std::string& text) override;
  std::string newGuid() override;
  void requestRestart() override { log_ << "Restart requested\n"; }
  // The installer's own codes in words, any other code by its number.
  std::string errorMessage(uint32_t code) override;
  std::string toUtf16le(const std::string& text) override {
    return sandbox_.codePage().toUtf16le(text);
  }

 private:
  const Sandbox& sandbox_;
  std::string enginePath_;
  std::ostream& log_;
};

}  // namespace kx
