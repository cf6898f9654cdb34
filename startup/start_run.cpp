#include "startup/start_run.h"

#include "dialogs/dialog_loader.h"

namespace kx {

void reportGeneralFailure(Engine& engine, const std::string& message) {
  engine.exitCode = kFailureExitCode;
  if (engine.options.silent) return;
  MessageBoxRequest box;
  box.caption = "Kestrix";
  box.icon = MessageIcon::Error;
  box.text = engine.messages.message(5) + message;
  engine.platform.ui->messageBox(box);
}

RunResult startRun(Engine& engine, std::string_view scriptBytes) {
  RunResult result;
  try {
    const ScriptReadResult read = readScript(scriptBytes, engine.script);
    if (!read.complete) {
      reportGeneralFailure(engine, read.problem);
      result.end = RunEnd::Error;
      return result;
    }
    engine.dialogTable = std::make_shared<DialogTable>();
    loadScriptDialogs(engine, *engine.dialogTable);
    return runScript(engine);
  } catch (const std::exception& error) {
    reportGeneralFailure(engine, error.what());
    result.end = RunEnd::Error;
    return result;
  }
}

}  // namespace kx
