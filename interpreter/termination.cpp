#include "interpreter/termination.h"

#include "base/values.h"
#include "interpreter/engine.h"

namespace kx {

std::string resumeEntryName(const std::string& productCode) {
  return productCode.size() >= 9 ? productCode.substr(1, 8) : std::string();
}

std::string resumeCommand(const Engine& engine) {
  const StartOptions& options = engine.options;
  std::string command = options.sfxFile.empty() ? engine.platform.system->enginePath()
                                                : options.sfxPath + options.sfxFile;
  if (!options.commandLine.empty()) command += " " + options.commandLine;
  return command;
}

namespace {

void commandTerminateInstall(Engine& engine) {
  engine.run.ended = true;
}

void commandTerminateWithExitCode(Engine& engine) {
  engine.exitCode = tryParseInteger(engine.expanded(1)).value_or(0);
  engine.run.ended = true;
}

void commandRebootComputer(Engine& engine) {
  engine.platform.system->requestRestart();
  engine.run.ended = true;
}

// A failed registry write is ignored: the restart is requested all the same.
void commandRebootAndResume(Engine& engine) {
  const VariableStore& store = engine.store;
  const std::string name =
      resumeEntryName(store.isDefined("PRODUCTCODE") ? store.get("PRODUCTCODE") : std::string());
  const bool allUsers = store.isDefined("ALLUSERS") && isTrue(store.get("ALLUSERS"));
  // An empty name would be the Run key's default value, which belongs to nobody's setup.
  if (!name.empty())
    engine.platform.registry->writeString(
        allUsers ? RegistryRoot::LocalMachine : RegistryRoot::CurrentUser, std::string(kRunKey),
        name, resumeCommand(engine));
  commandRebootComputer(engine);
}

constexpr CommandDescriptor kTerminationCommands[] = {
    {"Terminate Install", commandTerminateInstall},
    {"Terminate with Exit Code", commandTerminateWithExitCode},
    {"Reboot Computer", commandRebootComputer},
    {"Reboot and Resume", commandRebootAndResume},
};

}  // namespace

std::span<const CommandDescriptor> terminationCommands() {
  return kTerminationCommands;
}

}  // namespace kx
