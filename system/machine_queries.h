#pragma once
// Commands that read the registry, the well-known folders, the environment and the system's
// settings, and never change the machine.
#include <span>

#include "interpreter/command_table.h"

namespace kx {

std::span<const CommandDescriptor> machineQueryCommands();

}  // namespace kx
