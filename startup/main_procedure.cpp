#include "startup/main_procedure.h"

#include <stdexcept>

#include "base/message_table.h"
#include "base/values.h"
#include "dialogs/dialog_session.h"
#include "media/archive_extraction.h"
#include "startup/command_line.h"
#include "startup/engine_commands.h"
#include "startup/trailing_data.h"

namespace kx {
namespace {

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

std::string readWholeFile(FileSystem& files, const std::string& path) {
  auto bytes = files.readFile(path);
  if (!bytes) throw std::runtime_error("Cannot read " + path);
  return std::move(*bytes);
}

// Steps from reading the script to the end of the run; failures are thrown to the caller's
// general failure report. False for an early end that skips the removal of the support folder.
bool prepareAndRun(Engine& engine, StartupServices& startup, const PayloadExtractor& extractPayload,
                   const std::string& programFolder, const std::string& programBaseName,
                   RunResult& result) {
  FileSystem& files = *engine.platform.files;
  StartOptions& options = engine.options;
  const std::optional<PreparedRun> prepared = startup.preparedRun();
  if (prepared) {
    const ScriptReadResult read =
        readScript(readWholeFile(files, prepared->scriptFile), engine.script);
    if (!read.complete) throw std::runtime_error(read.problem);
    options.supportFolder = prepared->supportFolder;
  } else {
    const std::string program = readWholeFile(files, engine.platform.system->enginePath());
    const std::string_view scriptBytes = trailingData(program);
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
      showError(engine, startup.preparingWindow(),
                engine.messages.message(static_cast<int>(filled)));
      return false;
    }
  }
  options.dataFolder = programFolder + "data\\";

  // Loading proves before the first statement that every dialog the script displays is there
  // and sound; a fault is the general failure report.
  LoadProgress progress;
  if (!options.silent) {
    progress = [&startup](size_t position, size_t count) {
      startup.setPreparingProgress(0, static_cast<int>(count), static_cast<int>(position));
    };
  }
  loadDialogs(engine, progress);
  if (!options.silent) startup.closeStartWindows();
  options.msiFile = prepared ? prepared->msiFile : options.supportFolder + programBaseName + ".msi";
  result = runScript(engine);
  engine.dialogs.reset();
  return true;
}

}  // namespace

void reportGeneralFailure(Engine& engine, const std::string& message) {
  engine.exitCode = kFailureExitCode;
  if (engine.options.silent) return;
  MessageBoxRequest box;
  box.caption = "Kestrix";
  box.icon = MessageIcon::Error;
  box.text = engine.messages.message(message_ids::kRuntimeErrorInInstall) + message;
  engine.platform.ui->messageBox(box);
}

int runMainProcedure(Platform platform, StartupServices& startup,
                     const PayloadExtractor& extractPayload, const RunObserver& observer) {
  Engine engine(platform, engineCommands());
  engine.traceStatement = observer.traceStatement;
  engine.unbuiltCommand = observer.unbuiltCommand;
  RunResult result;
  startup.bindToFirstProcessor();
  const std::string enginePath = platform.system->enginePath();
  const std::string programFolder(folderPart(enginePath));
  const std::string programBaseName = baseName(enginePath);

  loadMessageFile(engine, programFolder);
  readCommandLine(startup.commandLine(), startup.arguments(), engine.options);

  if (commonControlsTooOld(startup.commonControlsVersion())) {
    showError(engine, 0, engine.messages.message(message_ids::kCommonControlsTooOld));
    return 0;
  }
  if (!engine.options.silent) {
    const std::string splash = programFolder + "setup.bmp";
    startup.showStartWindows(platform.files->fileExists(splash) ? splash : std::string(),
                             engine.messages.message(message_ids::kPreparingCaption),
                             engine.messages.message(message_ids::kPreparingText));
  }

  bool removeSupport = !startup.preparedRun();
  if (observer.runStarting) observer.runStarting(engine);
  try {
    if (!prepareAndRun(engine, startup, extractPayload, programFolder, programBaseName, result))
      removeSupport = false;
  } catch (const std::exception& error) {
    reportGeneralFailure(engine, error.what());
  }
  if (observer.runEnded) observer.runEnded(engine, result);
  if (removeSupport) removeSupportFolder(*platform.files, engine.options.supportFolder);
  return engine.exitCode;
}

int runEngine(Platform platform, StartupServices& startup, const RunObserver& observer) {
  setUpCodecs(platform);
  // The payload archive is unpacked whole, without a password, by the archive library.
  const PayloadExtractor extractPayload = [&platform](const std::string& archive,
                                                      const std::string& folder) {
    return extractArchive(*platform.archives, archive, {}, folder, nullptr, true, true).ok;
  };
  return runMainProcedure(platform, startup, extractPayload, observer);
}

}  // namespace kx
