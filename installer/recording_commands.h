#pragma once
// The recording commands.
#include <span>

#include "interpreter/command_table.h"

namespace kx {

std::span<const CommandDescriptor> recordingCommands();

}  // namespace kx
