#pragma once
// "Register Library": type libraries and self-registering programs and libraries.
#include <span>

#include "interpreter/command_table.h"

namespace kx {

std::span<const CommandDescriptor> libraryRegistrationCommands();

}  // namespace kx
