#pragma once
// The engine's whole command table: the interpreter's own commands and every subsystem's.
#include "interpreter/command_table.h"

namespace kx {

const CommandTable& engineCommands();

}  // namespace kx
