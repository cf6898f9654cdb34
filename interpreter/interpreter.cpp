#include "interpreter/interpreter.h"

#include "base/message_table.h"
#include "base/script_error.h"
#include "base/values.h"
#include "interpreter/conditions.h"
#include "interpreter/predefined_variables.h"
#include "interpreter/termination.h"
#include "script/command_names.h"

namespace kx {

using namespace command_names;

namespace {

// Statements that show nothing can run for a long time between dialogs. Every 314th statement
// the loop lets windows handle what is pending: often enough to keep them answering, rarely
// enough that the pump costs nothing measurable. Commands that block pump for themselves.
constexpr size_t kMessagePumpInterval = 314;
constexpr std::string_view kInitialization = "Initialization";

class Flow {
 public:
  explicit Flow(Engine& engine) : script_(engine.script), run_(engine.run) {}

  bool enabled(size_t k) const { return !script_.isDisabled(k); }
  bool is(size_t k, std::string_view name) const { return script_.command(k) == name; }

  void step(int delta) {
    if (delta < 0 && run_.position == 0) throw ScriptError(scriptIndexOutOfBounds(0));
    run_.position = static_cast<size_t>(static_cast<int64_t>(run_.position) + delta);
    if (run_.position > script_.statementCount())
      throw ScriptError(scriptIndexOutOfBounds(run_.position - 1));
  }

  void advanceToEnabledEnd() {
    do step(+1);
    while (!(enabled(run_.position) && is(run_.position, kEnd)));
  }

  // Moves past a branch that does not run; the statement it stops at is returned.
  enum class Stop { ElseIf, Else, End };
  Stop skipBlock(bool branchesClose) {
    int depth = 0;
    while (true) {
      step(+1);
      const size_t k = run_.position;
      if (!enabled(k)) continue;
      if (is(k, kIf) || is(k, kWizardLoop)) {
        ++depth;
      } else if (is(k, kEnd)) {
        if (--depth < 0) return Stop::End;
      } else if (branchesClose && depth == 0) {
        if (is(k, kElseIf)) return Stop::ElseIf;
        if (is(k, kElse)) return Stop::Else;
      }
    }
  }

  // Past the last statement the run ends normally: the loop sees the position beyond the end.
  void ordinaryAdvance() {
    ++run_.position;
    while ((!enabled(run_.position) || is(run_.position, kIgnore)) &&
           run_.position < script_.statementCount())
      ++run_.position;
  }

  void wizardStep() {
    if (run_.direction == WizardDirection::Cancel) {
      advanceToEnabledEnd();
      run_.wizardMode = false;
      return;
    }
    const int delta = run_.direction == WizardDirection::Back ? -1 : +1;
    while (true) {
      step(delta);
      const size_t k = run_.position;
      if (!enabled(k)) continue;
      if (is(k, kDisplayDialog)) return;
      if (is(k, kEnd)) {
        run_.wizardMode = false;
        return;
      }
      if (is(k, kWizardLoop)) {
        advanceToEnabledEnd();
        run_.wizardMode = false;
        return;
      }
    }
  }

  void chooseNext() {
    if (run_.skip == SkipMode::ToNextBranch) {
      const Stop stop = skipBlock(true);
      run_.skip = SkipMode::None;
      if (stop == Stop::ElseIf) run_.branchTestPending = true;
      if (stop == Stop::Else) ordinaryAdvance();
    } else if (run_.skip == SkipMode::ToEnd) {
      skipBlock(false);
      run_.skip = SkipMode::None;
    } else if (run_.wizardMode) {
      wizardStep();
    } else {
      ordinaryAdvance();
    }
  }

 private:
  const Script& script_;
  RunState& run_;
};

std::string valueOrEmpty(Engine& engine, std::string_view name) {
  return engine.store.isDefined(name) ? engine.store.get(name) : std::string();
}

// Loads the current language's tables from the support folder; false when one is missing.
bool loadTranslations(Engine& engine, const std::string& language) {
  FileSystem& files = *engine.platform.files;
  const std::string& folder = engine.options.supportFolder;
  auto map = files.readFile(folder + "translations.Map");
  auto translation = files.readFile(folder + "translations." + language);
  auto keys = files.readFile(folder + engine.script.title + ".mtx");
  if (!map || !translation || !keys) return false;
  engine.run.translations = {splitLines(*map), splitLines(*keys), splitLines(*translation)};
  if (auto shared = files.readFile(folder + "shared.translations." + language))
    engine.messages.loadMessages(*shared);
  return true;
}

void refreshBeforeStatement(Engine& engine) {
  VariableStore& store = engine.store;
  RunState& run = engine.run;
  engine.options.logFile = valueOrEmpty(engine, "LOGGED");
  store.setSilent(isTrue(valueOrEmpty(engine, "SILENT")));
  store.defineAndSet("DATE", engine.platform.system->shortDate(), kInitialization);
  store.defineAndSet("TIME", engine.platform.system->longTime(), kInitialization);
  run.currentLanguage = valueOrEmpty(engine, "LANGUAGE");
  if (!run.currentLanguage.empty() && !loadTranslations(engine, run.currentLanguage))
    run.currentLanguage.clear();
  store.defineAndSet("LANGUAGE", run.currentLanguage, kInitialization);
  if (const auto uninstallLink = engine.commands.hooks.uninstallLink)
    store.defineAndSet("UNINSTALLLINK", uninstallLink(engine), kInitialization);
}

void publishProgressBeforeStatement(Engine& engine) {
  RunState& run = engine.run;
  if (run.modelessWindow == 0) return;
  const std::string text = valueOrEmpty(engine, "PROGRESSTEXT");
  const int64_t position = parseInteger(valueOrEmpty(engine, "PROGRESS"));
  if (text == run.lastProgressText && position == run.lastProgressPosition) return;
  run.lastProgressText = text;
  run.lastProgressPosition = position;
  engine.publishProgress(text, 0, 100, position);
  if (engine.refreshProgressPage) engine.refreshProgressPage(engine);
  engine.platform.ui->handleOneMessage();
}

}  // namespace

bool isPluginStatement(const Engine& engine, const std::string& commandName) {
  for (const std::string& plugin : engine.script.plugins)
    if (equalsIgnoringAsciiCase(plugin, commandName)) return true;
  return false;
}

namespace {

void dispatch(Engine& engine) {
  const std::string& name = engine.command();
  if (engine.traceStatement) engine.traceStatement(engine);
  const RunHooks& hooks = engine.commands.hooks;
  if (hooks.pluginStatement && isPluginStatement(engine, name))
    return hooks.pluginStatement(engine);
  const CommandDescriptor* command = engine.commands.find(name);
  if (!command) return;
  if (command->run)
    command->run(engine);
  else if (engine.unbuiltCommand)
    engine.unbuiltCommand(engine);
}

std::string chooseSetupLanguage(Engine& engine) {
  FileSystem& files = *engine.platform.files;
  const std::string& folder = engine.options.supportFolder;
  if (!files.fileExists(folder + engine.script.title + ".mtx")) return {};
  for (const FolderEntry& entry : files.findEntries(folder + "translations.*")) {
    if (entry.isFolder) continue;
    const std::string& name = entry.name;
    const std::string language = name.substr(std::string_view("translations.").size());
    if (name == "translations.Map" || (folder + name).find("shared") != std::string::npos) continue;
    if (language == engine.script.defaultLanguage) return language;
  }
  return {};
}

void writeInitializationVariables(Engine& engine) {
  VariableStore& store = engine.store;
  SystemInfo& system = *engine.platform.system;
  const StartOptions& options = engine.options;
  const std::string exePath = system.enginePath();
  const std::string exeDir(folderPart(exePath));
  const auto registered = [&](const char* value) {
    const std::string key = std::string("SOFTWARE\\Microsoft\\") +
                            (system.isNtFamily() ? "Windows NT" : "Windows") + "\\CurrentVersion";
    return engine.platform.registry->readString(RegistryRoot::LocalMachine, key, value)
        .value_or("");
  };
  const std::pair<const char*, std::string> variables[] = {
      // The maintenance detection has told whether this run makes a new product instance.
      {"NEWINSTANCE", truthText(isTrue(valueOrEmpty(engine, "NEWINSTANCE")))},
      {"SELECTED", "0"},
      {"WINDOWHANDLE", "0"},
      {"EXEFILE", exePath},
      {"EXEDIR", exeDir},
      {"PROGRESSTEXT", ""},
      {"ABORT", "FALSE"},
      {"PROGRESS", "0"},
      {"LASTERROR", ""},
      {"LICENSE", "FALSE"},
      {"USERNAME", registered("RegisteredOwner")},
      {"USERCOMPANY", registered("RegisteredOrganization")},
      {"REBOOTCOMPUTER", "FALSE"},
      {"RUNAPP", "TRUE"},
      {"WIZARD", "NEXT"},
      {"VERSION", system.engineVersion()},
      {"SILENT", truthText(options.silent)},
      {"LOGGED", options.logFile},
      {"CMDLINE", options.commandLine},
      {"SFXPATH", options.sfxPath},
      {"SFXFILE", options.sfxFile},
      {"COMPLETE", "TRUE"},
      {"MINIMUM", "FALSE"},
      {"PERSONALIZED", "FALSE"},
      {"MODIFY", "TRUE"},
      {"REPAIR", "FALSE"},
      {"REMOVE", "FALSE"},
      {"ROOTDIR", exeDir},
      {"TITLE", engine.script.title},
      {"COMPANY", engine.script.company},
      {"ADVERTISE", "FALSE"},
      {"DATE", system.shortDate()},
      {"TIME", system.longTime()},
      {"TEMPDIR", withTrailingBackslash(system.temporaryFolder())},
      {"SUPPORTDIR", withTrailingBackslash(options.supportFolder)},
      {"MSIFILE", options.msiFile},
      {"LANGUAGE", ""},
  };
  for (const auto& [name, value] : variables) store.defineAndSet(name, value, kInitialization);
}

void writeOverrides(Engine& engine) {
  for (const auto& [name, value] : engine.options.overrides) {
    const std::string upper = upperAscii(name);
    if (engine.store.isDefined(upper))
      engine.store.set(upper, value, kOverrideContext);
    else
      engine.store.defineAndSet(upper, value, kOverrideContext);
  }
}

std::string patchPackagePath(const std::string& msiFile) {
  return std::string(folderPart(msiFile)) + baseName(msiFile) + ".msp";
}

// Steps 6 to 11 of preparing a run; their failures are script errors of position 0.
void prepareRunVariables(Engine& engine) {
  writeInitializationVariables(engine);
  const std::string resumeEntry = resumeEntryName(valueOrEmpty(engine, "PRODUCTCODE"));
  if (!resumeEntry.empty())
    for (RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine})
      engine.platform.registry->deleteValue(root, std::string(kRunKey), resumeEntry);
  for (size_t k = 1; k <= engine.script.statementCount(); ++k) {
    const std::string header = engine.script.commandHeader(k, true);
    if (!header.empty()) engine.changes.recordProperty(enableProperty(header), "FALSE");
  }
  engine.store.set("LANGUAGE", chooseSetupLanguage(engine), kInitialization);
  writeOverrides(engine);
}

}  // namespace

void reportScriptError(Engine& engine, const std::string& message) {
  if (engine.silent()) return;
  MessageBoxRequest box;
  box.caption = "Kestrix";
  box.icon = MessageIcon::Error;
  box.buttons = MessageButtons::Ok;
  box.text = engine.messages.message(message_ids::kRuntimeErrorInScript) + "\r\rLine " +
             std::to_string(engine.run.position) + ": " + message;
  engine.platform.ui->messageBox(box);
}

void endWithScriptError(Engine& engine, const std::string& message) {
  reportScriptError(engine, message);
  // In a silent run the exit code is the only outcome of a failure: a run that a script error
  // ended never reports success.
  if (engine.exitCode == 0) engine.exitCode = kFailureExitCode;
}

namespace {

void commandNothing(Engine&) {}

void commandGoToLabel(Engine& engine) {
  RunState& run = engine.run;
  const std::string name = upperAscii(engine.parameter(1));
  for (const auto& [label, position] : run.labels) {
    if (label != name) continue;
    run.position = position;
    run.skip = SkipMode::None;
    run.branchTestPending = false;
    run.wizardMode = false;
    return;
  }
  throw ScriptError("Label not found: " + engine.parameter(1));
}

void commandIf(Engine& engine) {
  if (!evaluateCondition(engine)) engine.run.skip = SkipMode::ToNextBranch;
}

void commandElseIf(Engine& engine) {
  if (engine.run.branchTestPending) {
    engine.run.branchTestPending = false;
    commandIf(engine);
  } else {
    engine.run.skip = SkipMode::ToEnd;
  }
}

void commandElse(Engine& engine) {
  engine.run.skip = SkipMode::ToEnd;
}

void commandWizardLoop(Engine& engine) {
  engine.run.wizardMode = true;
  engine.run.direction = WizardDirection::Next;
}

Fault goToLabelRule(RuleContext& c) {
  const std::string name = c.line(1);
  if (c.hasLabel(upperAscii(name))) return std::nullopt;
  return "LABEL undefined: " + name;
}

Fault conditionRule(RuleContext& c) {
  const std::string left = c.line(1);
  if (left.empty()) return "Variable required";
  const Fault leftFault = c.requireOperand(left);
  const std::string right = c.line(3);
  // A literal right operand needs nothing; a reference must name a defined variable.
  if (!referenceName(right).empty())
    if (Fault rightFault = c.requireOperand(right)) return rightFault;
  return leftFault;
}

// The operands of a condition are translatable: the left in slot 1, the right in slot 2.
constexpr TranslatableLines kConditionText{{{1, 1}, {3, 2}}};

constexpr CommandDescriptor kFlowControlCommands[] = {
    {kLabel, commandNothing},
    {kGoToLabel, commandGoToLabel, {.check = goToLabelRule}},
    {kIf, commandIf, {.check = conditionRule}, kConditionText},
    {kElseIf, commandElseIf, {.check = conditionRule}, kConditionText},
    {kElse, commandElse},
    {kEnd, commandNothing},
    {kWizardLoop, commandWizardLoop},
    {kComment, commandNothing},
    {kIgnore, commandNothing},
};

}  // namespace

std::span<const CommandDescriptor> flowControlCommands() {
  return kFlowControlCommands;
}

RunResult runScript(Engine& engine) {
  RunResult result;
  Script& script = engine.script;
  VariableStore& store = engine.store;
  script.rebuildIndexes();

  result.validation = validateScript(script, engine.commands, store);
  if (!result.validation.ok()) {
    result.end = RunEnd::Silent;
    return result;
  }

  store.clear();
  store.setOverrides(engine.options.overrides);
  store.setSilent(engine.options.silent);
  store.defineAndSet("TARGETDIR", "", "Pre-Initialization");
  store.defineAndSet("STARTMENU", script.title, "Pre-Initialization");
  store.defineAndSet(
      "ALLUSERS",
      truthText(engine.platform.system->isNtFamily() && engine.platform.system->isAdministrator()),
      "Pre-Initialization");
  // Maintenance detection may refill the recorded properties from the previous run.
  engine.changes = ChangeRecording{};
  if (const CommandFunction detectMaintenance = engine.commands.hooks.detectMaintenance)
    detectMaintenance(engine);

  engine.run = RunState{};
  for (size_t k = 1; k <= script.statementCount(); ++k)
    if (script.command(k) == kLabel)
      engine.run.labels.emplace_back(upperAscii(script.parameter(script.id(k), 1)), k - 1);

  const std::string& msiFile = engine.options.msiFile;
  if (!engine.platform.files->fileExists(msiFile) &&
      !engine.platform.files->fileExists(patchPackagePath(msiFile))) {
    result.end = RunEnd::Silent;
    return result;
  }

  try {
    prepareRunVariables(engine);
  } catch (const std::exception& error) {
    endWithScriptError(engine, error.what());
    result.end = RunEnd::Error;
    return result;
  }

  Flow flow(engine);
  RunState& run = engine.run;
  const size_t count = script.statementCount();
  try {
    while (!run.ended) {
      if (run.position % kMessagePumpInterval == 0) engine.platform.ui->processPendingMessages();
      refreshBeforeStatement(engine);
      flow.chooseNext();
      if (run.position > count) break;
      if (script.isDisabled(run.position)) continue;
      store.defineAndSet("ABORT", truthText(engine.cancelRequested), "Cancel State");
      publishProgressBeforeStatement(engine);
      dispatch(engine);
      if (run.position >= count) break;
    }
  } catch (const std::exception& error) {
    endWithScriptError(engine, error.what());
    result.end = RunEnd::Error;
  }
  return result;
}

}  // namespace kx
