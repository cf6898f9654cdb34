#pragma once
// Commands that compute texts and numbers in script variables.
#include <span>

#include "interpreter/command_table.h"

namespace kx {

std::span<const CommandDescriptor> valueCommands();

}  // namespace kx
