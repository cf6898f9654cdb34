#pragma once
// The engine program's main procedure, from process start to the exit code. zelstub.exe and
// zelrun both start here; they differ only in the platform they pass.
#include <functional>

#include "interpreter/interpreter.h"
#include "platform/platform.h"
#include "startup/support_folder.h"

namespace kx {

// What a caller may watch of a run besides its exit code.
struct RunObserver {
  std::function<void(const Engine&)> traceStatement;  // before each dispatched statement
  std::function<void(const Engine&)> unbuiltCommand;  // a command not built yet was dispatched
  std::function<void(const Engine&, const RunResult&)> runEnded;  // before the clean-up
  // Once the run is about to be prepared; runEnded always follows.
  std::function<void(Engine&)> runStarting;
};

// Runs the whole start-up: message table, command line, common controls check, start-up
// windows, script, support folder, the run and the clean-up. Returns the process exit code.
// Without an extractor the payload archive is required but not unpacked.
int runMainProcedure(Platform platform, StartupServices& startup,
                     const PayloadExtractor& extractPayload, const RunObserver& observer = {});

// The main procedure with the archive library: its codec folder set up, the payload unpacked.
int runEngine(Platform platform, StartupServices& startup, const RunObserver& observer = {});

// The general failure report: message entry 5 and the failure's text, exit code 11.
void reportGeneralFailure(Engine& engine, const std::string& message);

}  // namespace kx
