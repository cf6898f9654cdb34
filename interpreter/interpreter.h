#pragma once
#include <span>

#include "interpreter/engine.h"
#include "script/validation.h"

namespace kx {

struct RunResult {
  RunEnd end = RunEnd::Normal;
  ValidationResult validation;  // why a run ended before it began
};

// Runs engine.script from its first statement to its end. A failure while the run is prepared
// (validation aside) is thrown for the start-up's general failure report; a failure inside a
// statement is reported as a script error and ends the run.
RunResult runScript(Engine& engine);

// True when the command name is in the script's plug-in list (ignoring letter case).
bool isPluginStatement(const Engine& engine, const std::string& commandName);

// The script-error report of a failing statement.
void reportScriptError(Engine& engine, const std::string& message);
// The report, and the failure exit code unless a command chose one.
void endWithScriptError(Engine& engine, const std::string& message);

// Labels, jumps, If / Else If / Else / End chains and Wizard Loops.
std::span<const CommandDescriptor> flowControlCommands();

}  // namespace kx
