#include "platform/headless/headless_programs.h"

#include "platform/scripted/log_text.h"

namespace kx {

bool HeadlessPrograms::runHiddenAndWait(const std::string& program, const std::string& parameters) {
  if (files_.fileExists(program))
    log_ << "Program not started here: " << escapeForLog(program) << " " << escapeForLog(parameters)
         << "\n";
  return false;
}

}  // namespace kx
