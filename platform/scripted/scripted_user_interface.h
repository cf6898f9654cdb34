#pragma once
// Message boxes without a screen: each is logged and answered from a queue. There are no
// window messages to handle or wait for.
#include <deque>
#include <ostream>

#include "platform/platform.h"

namespace kx {

class ScriptedUserInterface : public UserInterface {
 public:
  explicit ScriptedUserInterface(std::ostream& log) : log_(log) {}

  std::deque<MessageAnswer> answers;  // next message box answers; OK when empty

  MessageAnswer messageBox(const MessageBoxRequest& request) override;
  void processPendingMessages() override {}
  void handleOneMessage() override {}

 private:
  std::ostream& log_;
};

}  // namespace kx
