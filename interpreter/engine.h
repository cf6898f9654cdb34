#pragma once
// The engine context: everything a command works on, passed explicitly to every command.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/message_table.h"
#include "interpreter/change_recording.h"
#include "interpreter/command_table.h"
#include "interpreter/variable_store.h"
#include "platform/platform.h"
#include "script/script.h"

namespace kx {

// A progress text that publishes nothing: callers that report only a position now and then
// (plug-ins through their progress callback among them) pass it to leave the display alone.
inline constexpr std::string_view kUnchangedProgress = "$VELK$";

// Progress text, range and position, published by the interpreter and by workers and shown by
// the dialog host. Guarded by the engine's general lock.
struct ProgressState {
  std::string text;
  int64_t minimum = 0;
  int64_t maximum = 100;
  int64_t position = 0;
};

struct DialogSession;     // dialogs/dialog_session.h
struct InstallerSession;  // installer/installer_session.h

enum class SkipMode { None, ToNextBranch, ToEnd };
enum class WizardDirection { Back = -1, Cancel = 0, Next = 1 };

// Translation tables of the current language, loaded from the support folder.
struct TranslationTables {
  Lines map;          // "translations.Map"
  Lines keys;         // title + ".mtx"
  Lines translation;  // "translations." + language
  // Statement text lookup: line k + slot - 1 of the translation table for the first key line k
  // that equals the id ignoring letter case; the default text when none does.
  std::string statementText(const std::string& statementId, int slot,
                            const std::string& defaultText) const;
};

// The text file "Read from Text File" keeps open between statements; one at a time.
struct OpenTextFile {
  std::string name;  // as the script gave it; empty when none is open
  std::unique_ptr<ReadableFile> file;
  std::string readAhead;   // bytes read from the file and not handed out yet
  bool exhausted = false;  // the file has given its last byte
};

struct RunState {
  size_t position = 0;  // current statement number, 0 before the first
  std::vector<std::pair<std::string, size_t>> labels;  // upper-case name, statement number - 1
  SkipMode skip = SkipMode::None;
  bool branchTestPending = false;
  bool wizardMode = false;
  WizardDirection direction = WizardDirection::Next;
  std::string lastProgressText;
  int64_t lastProgressPosition = 0;
  std::string currentLanguage;
  TranslationTables translations;
  WindowHandle modelessWindow = 0;
  std::string currentDialogKey;    // the dialog "Display Dialog" last showed, while current
  std::string lastModalDialogKey;  // reset by the next "Display Dialog"
  bool ended = false;              // a command ended the run normally
  OpenTextFile textFile;
};

// What the command line gave the engine (read by the start-up).
struct StartOptions {
  bool silent = false;
  std::string logFile;      // lower case, or empty
  std::string commandLine;  // without the program path
  std::string sfxPath;      // folder of the launching package, with a trailing backslash
  std::string sfxFile;
  std::string sourcesFolder;    // lower case, or empty
  std::string archivePassword;  // as given
  std::string supportFolder;    // with a trailing backslash
  std::string msiFile;
  std::string dataFolder;  // with a trailing backslash
  // The data folder set at start-up, where web media blocks are found when local-cache mode has
  // moved the data folder into the product cache; set by the maintenance detection.
  std::string mediaRoot;
  NameValueList overrides;
};

enum class RunEnd { Normal, Silent, Error };

// The exit code of a run that failed: the general failure report's, and a script error's.
inline constexpr int kFailureExitCode = 11;

// The random generator of "Mathematics": zero when the engine starts, changed only by scripts.
struct RandomGenerator {
  int32_t multiplier = 0;
  int32_t increment = 0;
  int32_t state = 0;
};

struct Engine {
  Engine(Platform platform, const CommandTable& commands)
      : platform(platform), commands(commands) {}
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  Platform platform;
  const CommandTable& commands;
  Script script;
  MessageTable messages;
  VariableStore store{messages};
  StartOptions options;
  RunState run;

  // The general lock guards the progress state and the records workers share with the
  // interpreter.
  std::recursive_mutex generalLock;
  ProgressState progress;
  std::atomic<bool> longOperation = false;
  std::atomic<bool> cancelRequested = false;

  int exitCode = 0;
  RandomGenerator random;
  // Called before each dispatched statement (zelrun's --trace, tests).
  std::function<void(const Engine&)> traceStatement;
  // Called in place of a command that is described but not built yet.
  std::function<void(const Engine&)> unbuiltCommand;

  ChangeRecording changes;

  // The run's dialogs, from the start-up's loading to the end of the run.
  std::shared_ptr<DialogSession> dialogs;
  // Installed by the dialogs: shows the published progress on the current dialog at once.
  std::function<void(Engine&)> refreshProgressPage;

  // The installer's state between statements: the message handler, the new-instance flags.
  std::shared_ptr<InstallerSession> installer;

  // The running statement.
  const std::string& command() const { return script.command(run.position); }
  const std::string& statementId() const { return script.id(run.position); }
  std::string writeContext() const { return command() + " Action"; }
  bool silent() const { return store.silent(); }

  // Parameter line n of the running statement: raw, expanded, expanded as a path.
  std::string parameter(size_t n) const { return script.parameter(statementId(), n); }
  std::string expanded(size_t n) const { return store.expand(parameter(n)); }
  std::string expandedPath(size_t n) const { return store.expandPath(parameter(n)); }
  // The raw line, or while a language is set its translation in the slot the command's
  // description gives the line (not expanded).
  std::string translatable(size_t n) const;
  // Result-variable pattern with the running command's context.
  void writeResult(const std::string& name, const std::string& value) {
    store.writeResult(name, value, writeContext());
  }

  void publishProgress(const std::string& text, int64_t minimum, int64_t maximum, int64_t position);
  MessageAnswer showMessage(MessageBoxRequest request);
};

}  // namespace kx
