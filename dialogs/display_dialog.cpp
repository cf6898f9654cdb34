#include "dialogs/display_dialog.h"

#include <stdexcept>

#include "base/values.h"
#include "dialogs/dialog_host.h"
#include "dialogs/dialog_session.h"
#include "interpreter/engine.h"

namespace kx {
namespace {

using namespace dialog_results;

struct ShowOutcome {
  int32_t resultCode = kNext;
  std::string customName;
  WindowHandle window = 0;
};

void setWindowHandle(Engine& engine, WindowHandle window, std::string_view context) {
  engine.run.modelessWindow = window;
  engine.store.defineAndSet("WINDOWHANDLE", std::to_string(window), context);
}

std::string navigationWord(const ShowOutcome& outcome) {
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

DialogSession& sessionOf(Engine& engine) {
  if (!engine.dialogs) throw std::runtime_error("No dialogs loaded");
  return *engine.dialogs;
}

DialogHost& hostOf(Engine& engine, const std::string& key) {
  DialogHost* host = sessionOf(engine).find(key);
  if (!host) throw std::runtime_error("No dialog loaded for statement " + key);
  return *host;
}

void rememberPlace(DialogSession& session, DialogWindow& window) {
  const ScreenRect bounds = window.bounds();
  session.placement.left = bounds.left;
  session.placement.top = bounds.top;
}

void place(DialogSession& session, DialogWindows& windows, DialogWindow& window) {
  Placement& placement = session.placement;
  const ScreenRect bounds = window.bounds();
  if (bounds.width != placement.width || bounds.height != placement.height)
    placement.recentre = true;
  if (placement.recentre) {
    const ScreenRect area = windows.screenArea();
    window.moveTo(area.left + (area.width - bounds.width) / 2,
                  area.top + (area.height - bounds.height) / 2);
    placement.width = bounds.width;
    placement.height = bounds.height;
  } else {
    window.moveTo(placement.left, placement.top);
  }
  placement.recentre = false;
}

// Hides what another dialog left on screen once the new one is up.
void hideOthers(DialogSession& session, DialogWindows& windows, DialogHost& shown) {
  DialogHost* previous = session.visible;
  if (previous && previous != &shown) {
    previous->canClose = true;
    if (previous->window()) previous->window()->hide();
    if (session.lastReset && session.lastReset != &shown && session.lastReset->window())
      session.lastReset->window()->hide();
    windows.processPendingMessages();
  }
  session.visible = &shown;
}

// Shows the dialog of `key`; a silent run shows nothing and every modal show answers Next.
ShowOutcome showDialog(Engine& engine, const std::string& key, bool modal) {
  DialogSession& session = sessionOf(engine);
  DialogHost& host = hostOf(engine, key);
  // The platform's file system has no current folder to point at the support folder while the
  // page is shown; the host's own files are named with the support folder in full.
  engine.cancelRequested = false;
  engine.run.currentDialogKey = key;
  ShowOutcome outcome;
  outcome.resultCode = modal ? kNext : kNotModal;
  DialogWindows* windows = engine.platform.dialogWindows;
  DialogWindow* window = host.window();
  if (engine.silent() || !windows || !window) {
    // Nothing to wait for: a silent run, or a platform without dialog windows.
    if (modal) engine.run.currentDialogKey.clear();
    return outcome;
  }
  place(session, *windows, *window);
  host.resultCode = kUndecided;
  host.canClose = false;
  window->bringToFront();
  windows->processPendingMessages();
  session.target = splitTargetFolder(engine);
  hideOthers(session, *windows, host);
  if (modal) {
    while (host.resultCode == kUndecided) windows->handleOneMessage();
    outcome.resultCode = host.resultCode;
    if (outcome.resultCode == kCustom) outcome.customName = host.customName;
    engine.run.currentDialogKey.clear();
  } else {
    outcome.window = window->handle();
  }
  rememberPlace(session, *window);
  return outcome;
}

// Preparing repaints a shown progress page as little as possible.
void prepare(Engine& engine, DialogHost& host) {
  DialogHost* modeless = nullptr;
  if (engine.run.modelessWindow != 0 && engine.dialogs->visible &&
      engine.dialogs->visible->handle() == engine.run.modelessWindow)
    modeless = engine.dialogs->visible;
  if (modeless) modeless->window()->setRedraw(false);
  try {
    host.prepare();
  } catch (...) {
    if (modeless) modeless->window()->setRedraw(true);
    throw;
  }
  if (modeless) modeless->window()->setRedraw(true);
}

void commandDisplayDialog(Engine& engine) {
  RunState& run = engine.run;
  const std::string conditionLine = engine.parameter(4);
  if (!conditionLine.empty()) {
    std::string name = referenceName(conditionLine);
    if (name.empty()) name = conditionLine;
    if (isTrue(engine.store.get(name)) == isTrue(engine.parameter(6))) return;
  }
  if (!run.lastModalDialogKey.empty()) {
    if (DialogHost* last = sessionOf(engine).find(run.lastModalDialogKey)) last->reset();
    run.lastModalDialogKey.clear();
  }

  const std::string key = std::to_string(run.position - 1);
  prepare(engine, hostOf(engine, key));
  ShowOutcome outcome;
  if (run.wizardMode) {
    outcome = showDialog(engine, key, true);
    run.lastModalDialogKey = key;
  } else if (isTrue(engine.parameter(3))) {
    outcome = showDialog(engine, key, true);
    setWindowHandle(engine, 0, "Display Dialog");
    run.lastModalDialogKey = key;
  } else {
    outcome = showDialog(engine, key, false);
    setWindowHandle(engine, outcome.window, "Display Dialog");
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
    DialogSession& session = sessionOf(engine);
    DialogHost* host = session.find(run.currentDialogKey);
    if (host && host->window() && engine.platform.dialogWindows) {
      host->canClose = true;
      host->window()->hide();
      if (session.visible && session.visible->window()) session.visible->window()->hide();
      if (session.lastReset && session.lastReset->window()) session.lastReset->window()->hide();
      engine.platform.dialogWindows->processPendingMessages();
      if (session.visible == host) session.visible = nullptr;
      rememberPlace(session, *host->window());
    }
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
