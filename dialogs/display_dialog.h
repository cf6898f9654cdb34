#pragma once
// "Display Dialog" and "Hide Dialog": the author's dialogs shown by key, modal or modeless.
#include <span>

#include "interpreter/command_table.h"

namespace kx {

std::span<const CommandDescriptor> dialogWindowCommands();

}  // namespace kx
