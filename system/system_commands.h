#pragma once
// Commands that run programs and query or change the machine at once.
#include <span>

#include "interpreter/command_table.h"

namespace kx {

std::span<const CommandDescriptor> systemCommands();

}  // namespace kx
