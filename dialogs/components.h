#pragma once
// Components and feature selections.
#include <span>

#include "interpreter/command_table.h"

namespace kx {

std::span<const CommandDescriptor> componentCommands();

}  // namespace kx
