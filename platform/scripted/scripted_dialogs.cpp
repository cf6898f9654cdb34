#include "platform/scripted/scripted_dialogs.h"

#include "base/values.h"
#include "dialogs/forms/form_model.h"

namespace kx {
namespace {

// The result codes a page's navigation controls give.
constexpr int32_t kCancel = 2;
constexpr int32_t kNext = 6;
constexpr int32_t kBack = 7;
constexpr int32_t kCustom = 8;

}  // namespace

ScreenRect formBounds(const DialogForm& form) {
  const PropertyHolder& host = form.host;
  const int clientWidth = host.integer("ClientWidth");
  const int clientHeight = host.integer("ClientHeight");
  if (clientWidth > 0 && clientHeight > 0) return {0, 0, clientWidth, clientHeight};
  return {0, 0, host.integer("Width"), host.integer("Height")};
}

ScriptedDialogWindow::ScriptedDialogWindow(ScriptedDialogWindows& owner, DialogForm& form,
                                           DialogEvents& events, WindowHandle handle)
    : owner_(owner), events_(events), handle_(handle), bounds_(formBounds(form)) {}

ScriptedDialogWindow::~ScriptedDialogWindow() {
  if (owner_.front_ == this) owner_.front_ = nullptr;
}

void ScriptedDialogWindow::moveTo(int left, int top) {
  bounds_.left = left;
  bounds_.top = top;
}

void ScriptedDialogWindow::bringToFront() {
  visible_ = true;
  owner_.front_ = this;
}

std::unique_ptr<DialogWindow> ScriptedDialogWindows::create(DialogForm& form,
                                                            DialogEvents& events) {
  return std::make_unique<ScriptedDialogWindow>(*this, form, events, nextHandle_++);
}

void ScriptedDialogWindows::handleOneMessage() {
  std::string word = "NEXT";
  if (!answers.empty()) {
    word = answers.front();
    answers.pop_front();
  }
  if (!front_) return;
  const std::string upper = upperAscii(word);
  if (upper == "NEXT") {
    front_->events().decide(kNext, {});
  } else if (upper == "BACK") {
    front_->events().decide(kBack, {});
  } else if (upper == "CANCEL") {
    front_->events().decide(kCancel, {});
  } else {
    front_->events().decide(kCustom, word);
  }
}

}  // namespace kx
