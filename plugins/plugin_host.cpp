#include "plugins/plugin_host.h"

#include "interpreter/engine.h"
#include "interpreter/values.h"

namespace kx {

bool isPluginStatement(const Engine& engine, const std::string& commandName) {
  for (const auto& plugin : engine.script.plugins)
    if (equalsIgnoringAsciiCase(plugin, commandName)) return true;
  return false;
}

void runPluginStatement(Engine&) {}

}  // namespace kx
