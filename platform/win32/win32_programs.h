#pragma once
// Programs started through the shell.
#include "platform/platform.h"

namespace kx {

class Win32Programs : public Programs {
 public:
  // Window messages are handled on the waiting thread through `ui`.
  explicit Win32Programs(UserInterface& ui) : ui_(ui) {}
  bool runHiddenAndWait(const std::string& program, const std::string& parameters) override;

 private:
  UserInterface& ui_;
};

}  // namespace kx
