#pragma once
#include <string_view>

#include "interpreter/interpreter.h"

namespace kx {


// Reads the script from its file's bytes and runs it. A failure outside the statements
// (a script that ends early, a failing preparation step) is the general failure report:
// message entry 5 and the failure's text, exit code 11.
RunResult startRun(Engine& engine, std::string_view scriptBytes);

void reportGeneralFailure(Engine& engine, const std::string& message);

}  // namespace kx
