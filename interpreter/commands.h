#pragma once
// The one dispatch table of the script language: built-in command name -> command function.
#include <string_view>

namespace kx {

struct Engine;
using CommandFunction = void (*)(Engine&);

// The command of an exact, case-sensitive built-in name; nullptr for any other name.
CommandFunction findCommand(std::string_view name);

}  // namespace kx
