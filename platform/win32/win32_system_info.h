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
  void requestRestart() override;
};

}  // namespace kx
