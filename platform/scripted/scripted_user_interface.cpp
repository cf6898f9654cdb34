#include "platform/scripted/scripted_user_interface.h"

#include "platform/scripted/log_text.h"

namespace kx {

MessageAnswer ScriptedUserInterface::messageBox(const MessageBoxRequest& request) {
  log_ << "MessageBox: " << escapeForLog(request.caption) << " | " << escapeForLog(request.text)
       << " | icon=" << static_cast<int>(request.icon)
       << " | buttons=" << static_cast<int>(request.buttons) << "\n";
  if (answers.empty()) return MessageAnswer::Ok;
  const MessageAnswer answer = answers.front();
  answers.pop_front();
  return answer;
}

}  // namespace kx
