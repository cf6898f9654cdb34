#pragma once
// Windows libraries do not load on the build machine: every plug-in call fails, which leaves
// the variables as they were. Each attempt is logged.
#include <ostream>

#include "platform/platform.h"

namespace kx {

class HeadlessModules : public Modules {
 public:
  explicit HeadlessModules(std::ostream& log) : log_(log) {}
  std::unique_ptr<PluginLibrary> loadPlugin(const std::string& path) override;

 private:
  std::ostream& log_;
};

}  // namespace kx
