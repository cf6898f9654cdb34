#include "dialogs/display_dialog.h"

#include "base/values.h"
#include "interpreter/engine.h"

namespace kx {
namespace {

constexpr int32_t kNotModal = DialogOutcome::kNotModal;
constexpr int32_t kCancel = DialogOutcome::kCancel;
constexpr int32_t kNext = DialogOutcome::kNext;
constexpr int32_t kBack = DialogOutcome::kBack;
constexpr int32_t kCustom = DialogOutcome::kCustom;

void setWindowHandle(Engine& engine, WindowHandle window, std::string_view context) {
  engine.run.modelessWindow = window;
  engine.store.defineAndSet("WINDOWHANDLE", std::to_string(window), context);
}

std::string navigationWord(const DialogOutcome& outcome) {
  switch (outcome.resultCode) {
    case kNotModal:
      return "NOTMODAL";
    case kCancel:
      return "CANCEL";
    case kNext:
      return "NEXT";
    case kBack:
      return "BACK";
    case kCustom:
      return upperAscii(outcome.customName);
    default:
      return {};
  }
}

// Shows the dialog of `key`; a silent run shows nothing and every modal show answers Next.
DialogOutcome showDialog(Engine& engine, const std::string& key, bool modal) {
  engine.cancelRequested = false;
  engine.run.currentDialogKey = key;
  DialogOutcome outcome;
  if (engine.silent()) {
    outcome.resultCode = modal ? kNext : kNotModal;
  } else {
    outcome = engine.platform.dialogs->show(key, modal);
    if (!modal) outcome.resultCode = kNotModal;
  }
  if (modal) engine.run.currentDialogKey.clear();
  return outcome;
}

void commandDisplayDialog(Engine& engine) {
  RunState& run = engine.run;
  const std::string conditionLine = engine.parameter(4);
  if (!conditionLine.empty()) {
    std::string name = referenceName(conditionLine);
    if (name.empty()) name = conditionLine;
    if (isTrue(engine.store.get(name)) == isTrue(engine.parameter(6))) return;
  }
  run.lastModalDialogKey.clear();

  const std::string key = std::to_string(run.position - 1);
  const std::string context = engine.writeContext();
  DialogOutcome outcome;
  if (run.wizardMode) {
    outcome = showDialog(engine, key, true);
    run.lastModalDialogKey = key;
  } else if (isTrue(engine.parameter(3))) {
    outcome = showDialog(engine, key, true);
    setWindowHandle(engine, 0, "Display Dialog");
    run.lastModalDialogKey = key;
  } else {
    outcome = showDialog(engine, key, false);
    setWindowHandle(engine, engine.silent() ? 0 : outcome.window, "Display Dialog");
  }

  const std::string resultName = engine.parameter(2);
  if (!resultName.empty()) engine.writeResult(resultName, navigationWord(outcome));

  if (!run.wizardMode) return;
  if (outcome.resultCode == kCancel) run.direction = WizardDirection::Cancel;
  if (outcome.resultCode == kNext) run.direction = WizardDirection::Next;
  if (outcome.resultCode == kBack) run.direction = WizardDirection::Back;
}

void commandHideDialog(Engine& engine) {
  RunState& run = engine.run;
  if (!run.currentDialogKey.empty()) {
    if (!engine.silent()) engine.platform.dialogs->hide(run.currentDialogKey);
    run.currentDialogKey.clear();
  }
  setWindowHandle(engine, 0, "Hide Dialog");
}

Fault displayDialogRule(RuleContext& c) {
  if (c.line(1).empty()) return "Dialog name not specified";
  const std::string condition = c.line(4);
  if (condition.empty()) return std::nullopt;
  return c.requireOperand(condition);
}

constexpr CommandDescriptor kDialogWindowCommands[] = {
    {"Display Dialog", commandDisplayDialog, {.resultLines = {2}, .check = displayDialogRule}},
    {"Hide Dialog", commandHideDialog},
};

}  // namespace

std::span<const CommandDescriptor> dialogWindowCommands() {
  return kDialogWindowCommands;
}

}  // namespace kx
