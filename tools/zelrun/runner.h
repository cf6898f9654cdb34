#pragma once
// What zelrun (the headless platform) and zelrun.exe (Windows) share: the options, the
// answers for message boxes and dialogs, and what a run prints. Only the platform differs.
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace kx {

struct RunnerOptions {
  std::vector<std::string> engineArguments;  // the setup's command line, as a user would type it
  std::deque<std::string> dialogAnswers;     // for modal dialogs, in order
  std::deque<MessageAnswer> answers;         // for message boxes, in order
  std::string supportDir;                    // empty: a folder of the run's own, removed after it
  std::string msiPath;                       // empty: setup.msi of the support folder
  std::string registryFile;                  // a .reg file for the headless registry
  std::string webServerFile;                 // the headless web server's file (IIS)
  // The headless installer's stand-in: what installations answer (0 when not given), the
  // products installed before the run (product code, package code or empty) and a file of
  // messages sent during each installation.
  std::optional<uint32_t> installerResult;
  std::vector<std::pair<std::string, std::string>> installedProducts;
  std::string installerMessagesFile;
  unsigned codePage = 0;  // the headless texts' code page; 0: the default
  std::string scriptPath;
  bool trace = false;
  bool printProperties = false;  // the pending rows and the recorded properties after the run
  // The progress page's Cancel pressed this many milliseconds after the run started.
  std::optional<int> cancelAfterMilliseconds;
};

// The options of the command line, with a script that can be read; nullopt after the reason
// (and for a malformed command line the usage) was printed on stderr: exit code 2.
std::optional<RunnerOptions> parseRunnerOptions(int argc, char** argv);

// Runs the prepared script on a platform whose message boxes and dialogs answer from the
// options; prints the trace, commands not built yet and the validation failure on stderr and the
// final store (and when asked the recorded properties) on stdout. Afterwards the installer
// package is edited as applying the changes would edit it, unless the run ended in a script
// error. Returns the engine's exit code.
int runPrepared(Platform platform, RunnerOptions& options, PreparedRun prepared);

}  // namespace kx
