#pragma once
// Facts about Windows and the running engine, and the restart request.
#include "platform/platform.h"

namespace kx {

class Win32SystemInfo : public SystemInfo {
 public:
  std::string shortDate() override;
  std::string longTime() override;
  std::string temporaryFolder() override;
  std::string enginePath() override;
  std::string engineVersion() override;
  bool isNtFamily() override;
  bool isAdministrator() override;
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
  void requestRestart() override;
  std::string errorMessage(uint32_t code) override;
  std::string toUtf16le(const std::string& text) override;
};

}  // namespace kx
