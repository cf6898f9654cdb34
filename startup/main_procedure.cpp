#include "startup/main_procedure.h"

#include <stdexcept>

#include "dialogs/dialog_loader.h"
#include "interpreter/interpreter.h"
#include "interpreter/values.h"
#include "startup/command_line.h"
#include "startup/start_run.h"
#include "startup/trailing_data.h"

namespace kx {
namespace {

constexpr int kCommonControlsEntry = 1;
constexpr int kPreparingCaptionEntry = 23;
constexpr int kPreparingTextEntry = 24;

void showError(Engine& engine, WindowHandle owner, const std::string& text) {
  if (engine.options.silent) return;
  MessageBoxRequest box;
  box.owner = owner;
  box.caption = "Kestrix";
  box.icon = MessageIcon::Error;
  box.text = text;
  engine.platform.ui->messageBox(box);
}

// The archive library's trailing data, when it has any, is the engine message file. A library
// that is missing or unreadable leaves the built-in texts.
void loadMessageFile(Engine& engine, const std::string& programFolder) {
  const auto library = engine.platform.files->readFile(programFolder + "zel.dll");
  if (!library) return;
  const std::string_view messageFile = trailingData(*library);
  if (!messageFile.empty()) engine.messages.loadMessages(messageFile);
}

bool commonControlsTooOld(const std::optional<FileVersion>& version) {
  return version && version->major == 4 && version->minor < 72;
}

// Steps from reading the script to the end of the run; failures are thrown to the caller's
// general failure report. False for an early end that skips the removal of the support folder.
bool prepareAndRun(Engine& engine, StartupServices& startup, const PayloadExtractor& extractPayload,
                   const std::string& programFolder, const std::string& programBaseName) {
  FileSystem& files = *engine.platform.files;
  StartOptions& options = engine.options;
  const std::string enginePath = engine.platform.system->enginePath();
  const auto program = files.readFile(enginePath);
  if (!program) throw std::runtime_error("Cannot read " + enginePath);
  const std::string_view scriptBytes = trailingData(*program);
  if (scriptBytes.empty()) {
    showError(engine, startup.preparingWindow(), "For internal use only");
    return false;
  }
  const ScriptReadResult read = readScript(scriptBytes, engine.script);
  if (!read.complete) throw std::runtime_error(read.problem);

  options.supportFolder = createSupportFolder(files, engine.platform.system->temporaryFolder());
  const SupportFilesResult filled = fillSupportFolder(files, extractPayload, programFolder,
                                                      programBaseName, options.supportFolder);
  if (filled != SupportFilesResult::Ready) {
    showError(engine, startup.preparingWindow(), engine.messages.message(static_cast<int>(filled)));
    return false;
  }
  options.dataFolder = programFolder + "data\\";

  engine.dialogTable = std::make_shared<DialogTable>();
  LoadProgress progress;
  if (!options.silent) {
    progress = [&startup](size_t position, size_t count) {
      startup.setPreparingProgress(0, static_cast<int>(count), static_cast<int>(position));
    };
  }
  loadScriptDialogs(engine, *engine.dialogTable, progress);
  if (!options.silent) startup.closeStartWindows();
  options.msiFile = options.supportFolder + programBaseName + ".msi";
  runScript(engine);
  return true;
}

}  // namespace

int runMainProcedure(Platform platform, StartupServices& startup,
                     const PayloadExtractor& extractPayload) {
  Engine engine(platform);
  startup.bindToFirstProcessor();
  const std::string enginePath = platform.system->enginePath();
  const size_t slash = enginePath.find_last_of('\\');
  const std::string programFolder =
      slash == std::string::npos ? std::string() : enginePath.substr(0, slash + 1);
  const std::string programBaseName = baseName(enginePath);

  loadMessageFile(engine, programFolder);
  readCommandLine(startup.commandLine(), startup.arguments(), engine.options);

  if (commonControlsTooOld(startup.commonControlsVersion())) {
    showError(engine, 0, engine.messages.message(kCommonControlsEntry));
    return 0;
  }
  if (!engine.options.silent) {
    const std::string splash = programFolder + "setup.bmp";
    startup.showStartWindows(platform.files->fileExists(splash) ? splash : std::string(),
                             engine.messages.message(kPreparingCaptionEntry),
                             engine.messages.message(kPreparingTextEntry));
  }

  try {
    if (!prepareAndRun(engine, startup, extractPayload, programFolder, programBaseName))
      return engine.exitCode;
  } catch (const std::exception& error) {
    reportGeneralFailure(engine, error.what());
  }
  removeSupportFolder(*platform.files, engine.options.supportFolder);
  return engine.exitCode;
}

}  // namespace kx
