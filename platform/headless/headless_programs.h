#pragma once
// No Windows programs run here: every start is logged and answered as on a machine where the
// program cannot be started; there are no windows to close.
#include <ostream>

#include "platform/platform.h"

namespace kx {

class HeadlessPrograms : public Programs {
 public:
  explicit HeadlessPrograms(std::ostream& log) : log_(log) {}
  std::optional<int32_t> runThroughShell(const ShellStart& start) override;
  int32_t runAsUser(const UserStart& start) override;
  std::vector<TopLevelWindow> topLevelWindows() override { return {}; }
  void askToClose(WindowHandle) override {}

 private:
  std::ostream& log_;
};

}  // namespace kx
