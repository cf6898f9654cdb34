#pragma once
// The engine program's main procedure, from process start to the exit code.
#include "platform/platform.h"
#include "startup/support_folder.h"

namespace kx {

// Runs the whole start-up: message table, command line, common controls check, start-up
// windows, script, support folder, the run and the clean-up. Returns the process exit code.
// Without an extractor the payload archive is required but not unpacked.
int runMainProcedure(Platform platform, StartupServices& startup,
                     const PayloadExtractor& extractPayload);

}  // namespace kx
