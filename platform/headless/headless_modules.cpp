#include "platform/headless/headless_modules.h"

#include "platform/scripted/log_text.h"

namespace kx {

std::unique_ptr<PluginLibrary> HeadlessModules::loadPlugin(const std::string& path) {
  log_ << "Plug-in not loadable here: " << escapeForLog(path) << "\n";
  return nullptr;
}

}  // namespace kx
