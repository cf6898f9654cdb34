#pragma once
#include <string>

namespace kx {

struct Engine;

// True when the command name is in the script's plug-in list (ignoring letter case).
bool isPluginStatement(const Engine& engine, const std::string& commandName);
void runPluginStatement(Engine& engine);

}  // namespace kx
