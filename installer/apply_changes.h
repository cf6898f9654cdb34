#pragma once
// "Apply Changes" and "Apply Patch": the recorded properties and the script's variables handed
// to the installer, which runs on a worker thread while the progress page stays alive.
#include <span>

#include "interpreter/command_table.h"

namespace kx {

std::span<const CommandDescriptor> applyCommands();

}  // namespace kx
