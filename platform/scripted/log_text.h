#pragma once
// The log of a scripted run (zelrun): what would have been shown, one line each.
#include <string>

namespace kx {

// One line of the log: CR LF as "$NEWLINE$", other bytes below 32 as \xNN.
std::string escapeForLog(const std::string& text);

}  // namespace kx
