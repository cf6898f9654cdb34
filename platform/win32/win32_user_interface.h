#pragma once
// Message boxes and the window messages of the interpreter thread, the thread that builds it:
// that thread owns the windows and waits for the workers.
#include "platform/platform.h"

namespace kx {

class Win32UserInterface : public UserInterface {
 public:
  Win32UserInterface();

  MessageAnswer messageBox(const MessageBoxRequest& request) override;
  void processPendingMessages() override;
  void handleOneMessage() override;
  void wakeMessageLoop() override;

 private:
  unsigned long interpreterThread_;
};

}  // namespace kx
