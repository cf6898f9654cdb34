#pragma once
// Dialog windows without a screen: each window keeps its place and visibility, and the modal
// loop answers the window in front from a queue of words, as zelrun's --dialog gives them.
#include <deque>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace kx {

class ScriptedDialogWindows;

class ScriptedDialogWindow : public DialogWindow {
 public:
  ScriptedDialogWindow(ScriptedDialogWindows& owner, DialogForm& form, DialogEvents& events,
                       WindowHandle handle);
  ~ScriptedDialogWindow() override;

  WindowHandle handle() const override { return handle_; }
  void update() override {}
  ScreenRect bounds() const override { return bounds_; }
  void moveTo(int left, int top) override;
  void bringToFront() override;
  void hide() override { visible_ = false; }
  void setRedraw(bool) override {}
  void focusControl(std::string_view) override {}
  void startPageRefreshTimer(int) override {}
  void stopPageRefreshTimer() override {}

  bool visible() const { return visible_; }
  DialogEvents& events() { return events_; }

 private:
  ScriptedDialogWindows& owner_;
  DialogEvents& events_;
  WindowHandle handle_;
  ScreenRect bounds_;
  bool visible_ = false;
};

class ScriptedDialogWindows : public DialogWindows {
 public:
  // NEXT, BACK, CANCEL or a control's name, for the modal pages in order; NEXT when empty.
  std::deque<std::string> answers;

  std::unique_ptr<DialogWindow> create(DialogForm& form, DialogEvents& events) override;
  ScreenRect screenArea() override { return {0, 0, 1024, 768}; }
  void processPendingMessages() override {}
  // Answers the window in front with the next word.
  void handleOneMessage() override;
  std::string pickFolder(WindowHandle, bool, const std::string&) override { return {}; }

 private:
  friend class ScriptedDialogWindow;
  ScriptedDialogWindow* front_ = nullptr;
  WindowHandle nextHandle_ = 0x10000;
};

// The size a window made from `form` has: its client size, else its outer size.
ScreenRect formBounds(const DialogForm& form);

}  // namespace kx
