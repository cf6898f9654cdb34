#pragma once
// Dialogs without a screen: a modal one answers from a queue, a modeless one gets a window
// number of its own.
#include <deque>

#include "platform/platform.h"

namespace kx {

class ScriptedDialogs : public DialogAnswers {
 public:
  std::deque<DialogOutcome> outcomes;  // next dialog outcomes; Next when empty

  DialogOutcome show(const std::string& key, bool modal) override;
  void hide(const std::string&) override {}
};

}  // namespace kx
