#pragma once
// Web media blocks: parts of a setup's payload fetched on demand.
#include <span>

#include "interpreter/command_table.h"

namespace kx {

std::span<const CommandDescriptor> webMediaCommands();

}  // namespace kx
