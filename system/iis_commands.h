#pragma once
// Commands over the local IIS web server: sites, virtual folders and their properties.
#include <span>

#include "interpreter/command_table.h"

namespace kx {

std::span<const CommandDescriptor> iisCommands();

}  // namespace kx
