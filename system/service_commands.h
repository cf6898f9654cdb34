#pragma once
// Commands over processes, services, network shares and access control.
#include <span>

#include "interpreter/command_table.h"

namespace kx {

std::span<const CommandDescriptor> serviceCommands();

}  // namespace kx
