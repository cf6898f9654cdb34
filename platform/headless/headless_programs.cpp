#include "platform/headless/headless_programs.h"

#include "platform/scripted/log_text.h"

namespace kx {

std::optional<int32_t> HeadlessPrograms::runThroughShell(const ShellStart& start) {
  log_ << "Program not started here: " << escapeForLog(start.file) << " "
       << escapeForLog(start.parameters) << "\n";
  return std::nullopt;
}

int32_t HeadlessPrograms::runAsUser(const UserStart& start) {
  log_ << "Program not started here: " << escapeForLog(start.commandLine) << "\n";
  return start.user.empty() ? run_as_codes::kStartOwnAccount : run_as_codes::kLogonFailure;
}

}  // namespace kx
