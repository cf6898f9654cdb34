#include "system/program_commands.h"

#include <atomic>
#include <functional>
#include <limits>
#include <optional>

#include "base/values.h"
#include "interpreter/engine.h"
#include "interpreter/worker_and_wait.h"
#include "platform/pe_image.h"

namespace kx {
namespace {

// Written when the shell executes the file with neither verb; no program ends with it normally,
// and it stays apart from the codes of "Run Program As".
constexpr int32_t kShellFailure = std::numeric_limits<int32_t>::min();

std::string variableOrEmpty(const Engine& engine, std::string_view name) {
  return engine.store.isDefined(name) ? engine.store.get(name) : std::string();
}

// The worker-and-wait pattern for a started program: `start` runs on the worker and gives the
// exit code, while the interpreter publishes PROGRESS and PROGRESSTEXT. A PROGRESS that is not
// a whole number stops the wait (the program is left running) and is then the script error.
int32_t startAndWait(Engine& engine,
                     const std::function<int32_t(const std::atomic<bool>&)>& start) {
  std::atomic<bool> cancel = false;
  int32_t exitCode = 0;
  std::optional<std::string> badPosition;
  const auto publish = [&] {
    if (badPosition) return;
    const std::string position = variableOrEmpty(engine, "PROGRESS");
    const std::optional<int32_t> number = tryParseInteger(position);
    if (!number) {
      badPosition = position;
      cancel = true;
      return;
    }
    engine.publishProgress(variableOrEmpty(engine, "PROGRESSTEXT"), 0, 100, *number);
  };
  runWorkerAndWait(
      engine, cancel, [&] { exitCode = start(cancel); }, publish);
  if (badPosition) parseInteger(*badPosition);  // raises the script error
  return exitCode;
}

// TRunApp: the worker of "Run Program" and "Run Light Mode Setup".
int32_t runThroughShell(Engine& engine, ShellStart start) {
  return startAndWait(engine, [&](const std::atomic<bool>& cancel) {
    start.cancel = &cancel;
    return engine.platform.programs->runThroughShell(start).value_or(kShellFailure);
  });
}

void writeExitCode(Engine& engine, const std::string& variable, int32_t code) {
  if (!variable.empty()) engine.writeResult(variable, std::to_string(code));
}

void commandRunProgram(Engine& engine) {
  ShellStart start;
  start.file = engine.expandedPath(1);
  start.shown = !isTrue(engine.parameter(2));
  start.parameters = engine.expandedPath(3);
  start.wait = isTrue(engine.parameter(4));
  writeExitCode(engine, engine.parameter(5), runThroughShell(engine, start));
}

// The show command handed to the new process for a window state number.
int showCommandOf(int32_t windowState) {
  constexpr int kShowCommands[] = {5 /*SW_SHOW*/, 0 /*SW_HIDE*/, 3 /*SW_SHOWMAXIMIZED*/,
                                   2 /*SW_SHOWMINIMIZED*/, 7 /*SW_SHOWMINNOACTIVE*/};
  if (windowState < 0 || windowState >= std::ssize(kShowCommands)) return 0;
  return kShowCommands[windowState];
}

void commandRunProgramAs(Engine& engine) {
  UserStart start;
  start.commandLine = "\"" + engine.expandedPath(1) + "\" " + engine.expandedPath(3);
  start.folder = engine.expandedPath(2);
  start.showCommand = showCommandOf(parseInteger(engine.expandedPath(4)));
  start.user = engine.expandedPath(5);
  start.password = engine.expandedPath(6);
  start.domain = engine.expandedPath(7);
  start.wait = isTrue(engine.parameter(9));
  start.environment = engine.expandedPath(10);
  // TRunAs: the worker of this command.
  const int32_t result = startAndWait(engine, [&](const std::atomic<bool>& cancel) {
    if (!start.user.empty() && !engine.platform.system->isNtFamily())
      return run_as_codes::kNotNtFamily;
    start.cancel = &cancel;
    return engine.platform.programs->runAsUser(start);
  });
  writeExitCode(engine, engine.parameter(8), result);
}

// Puts the engine's program image (its file without anything appended to it) before the package,
// under the package's name, and keeps the package itself as ".nox". False, with the files as
// they were, when any step fails.
bool makeRunnable(FileSystem& files, const std::string& engineFile, const std::string& package) {
  const std::optional<std::string> engineBytes = files.readFile(engineFile);
  if (!engineBytes) return false;
  const std::optional<PeImage> image = PeImage::read(*engineBytes);
  if (!image || image->endOfSections() > engineBytes->size()) return false;
  const std::optional<std::string> packageBytes = files.readFile(package);
  if (!packageBytes) return false;
  const std::string runnable = package + ".to";
  const std::string kept = package + ".nox";
  if (!files.writeFile(runnable, engineBytes->substr(0, image->endOfSections()) + *packageBytes) ||
      !files.renameFile(package, kept)) {
    files.deleteFile(runnable);
    return false;
  }
  if (!files.renameFile(runnable, package)) {
    files.renameFile(kept, package);
    files.deleteFile(runnable);
    return false;
  }
  return true;
}

void commandRunLightModeSetup(Engine& engine) {
  FileSystem& files = *engine.platform.files;
  const std::string package = engine.expandedPath(1);
  const std::string variable = engine.parameter(2);
  const std::string engineFile = engine.platform.system->enginePath();
  if (!makeRunnable(files, engineFile, package)) return writeExitCode(engine, variable, -1);

  // The runnable package loads the archive library from its own folder. Beside the engine
  // itself that copy is the engine's own and stays.
  const std::string library = std::string(folderPart(package)) + "zel.dll";
  const bool ownFolder = equalsIgnoringAsciiCase(folderPart(package), folderPart(engineFile));
  if (!ownFolder) files.copyFile(std::string(folderPart(engineFile)) + "zel.dll", library);
  ShellStart start;
  start.file = package;
  start.parameters = engine.expandedPath(3);
  start.shown = true;
  start.wait = isTrue(engine.parameter(4));
  // The package gets its own name back whatever happens.
  const auto restore = [&] {
    if (!ownFolder) files.deleteFile(library);
    files.deleteFile(package);
    files.renameFile(package + ".nox", package);
  };
  int32_t exitCode = 0;
  try {
    exitCode = runThroughShell(engine, start);
  } catch (...) {
    restore();
    throw;
  }
  restore();
  writeExitCode(engine, variable, exitCode);
}

void commandTerminateProgram(Engine& engine) {
  const std::string title = engine.expandedPath(1);
  const std::string className = engine.expandedPath(2);
  if (title.empty() && className.empty()) return;
  Programs& programs = *engine.platform.programs;
  constexpr int kPasses = 10;
  for (int pass = 0; pass < kPasses; ++pass) {
    for (const TopLevelWindow& window : programs.topLevelWindows()) {
      if (window.className.find(className) == std::string::npos ||
          window.title.find(title) == std::string::npos)
        continue;
      programs.askToClose(window.handle);
      break;
    }
  }
}

constexpr CommandDescriptor kProgramCommands[] = {
    {"Run Program", commandRunProgram, {.resultLines = {5}}},
    {"Run Program As", commandRunProgramAs, {.resultLines = {8}}},
    {"Run Light Mode Setup", commandRunLightModeSetup, {.resultLines = {2}}},
    {"Terminate Program", commandTerminateProgram},
};

}  // namespace

std::span<const CommandDescriptor> programCommands() {
  return kProgramCommands;
}

}  // namespace kx
