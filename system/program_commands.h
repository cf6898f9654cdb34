#pragma once
// Commands that start other programs and close their windows.
#include <span>

#include "interpreter/command_table.h"

namespace kx {

std::span<const CommandDescriptor> programCommands();

}  // namespace kx
