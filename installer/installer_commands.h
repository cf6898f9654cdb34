#pragma once
// The recording commands and the apply step, with the run steps the installer owns.
#include <span>

#include "interpreter/command_table.h"

namespace kx {

std::span<const CommandDescriptor> recordingCommands();
std::span<const CommandDescriptor> applyCommands();

}  // namespace kx
