#pragma once
// Dialog windows on Windows: made from the form model, with the keyboard handling of dialogs in
// every message loop of the interpreter thread.
#include <windows.h>

#include "platform/platform.h"

namespace kx {

class Win32DialogWindows : public DialogWindows {
 public:
  // Declares the process aware of each monitor's dots per inch, before any window exists.
  explicit Win32DialogWindows(PictureCodecs& pictures);

  std::unique_ptr<DialogWindow> create(DialogForm& form, DialogEvents& events) override;
  ScreenRect screenArea() override;
  void processPendingMessages() override;
  void handleOneMessage() override;
  std::string pickFolder(WindowHandle owner, bool newFolderButton,
                         const std::string& title) override;

 private:
  PictureCodecs& pictures_;
  bool registered_ = false;
};

// Tab, Enter, Escape and Alt+letter for the dialog the message belongs to, else the usual
// translation and dispatch.
void dispatchWindowMessage(MSG& message);
// Per-monitor awareness where the system has it, else system-wide awareness.
void declareDpiAwareness();

}  // namespace kx
