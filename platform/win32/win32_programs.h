#pragma once
// Programs started through the shell or by process creation, and top-level windows asked to
// close.
#include "platform/platform.h"

namespace kx {

class Win32Programs : public Programs {
 public:
  // A start that handles messages while it waits does so through `ui`.
  explicit Win32Programs(UserInterface& ui) : ui_(ui) {}
  std::optional<int32_t> runThroughShell(const ShellStart& start) override;
  int32_t runAsUser(const UserStart& start) override;
  std::vector<TopLevelWindow> topLevelWindows() override;
  void askToClose(WindowHandle window) override;

 private:
  UserInterface& ui_;
};

}  // namespace kx
