#pragma once
#include <string>
#include <vector>

#include "interpreter/engine.h"

namespace kx {

// The command line arguments text: the whole command line minus the program path.
std::string argumentsText(const std::string& commandLine);

// Reads the switches and NAME=VALUE overrides from the arguments as the platform split and
// unquoted them (program path excluded) into the start options.
void readCommandLine(const std::string& commandLine, const std::vector<std::string>& arguments,
                     StartOptions& options);

}  // namespace kx
