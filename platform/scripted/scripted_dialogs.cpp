#include "platform/scripted/scripted_dialogs.h"

namespace kx {

DialogOutcome ScriptedDialogs::show(const std::string& key, bool modal) {
  DialogOutcome outcome;
  if (!modal) {
    outcome.resultCode = DialogOutcome::kNotModal;
    outcome.window = 0x10000 + static_cast<WindowHandle>(std::stoul(key));
    return outcome;
  }
  if (!outcomes.empty()) {
    outcome = outcomes.front();
    outcomes.pop_front();
  }
  return outcome;
}

}  // namespace kx
