#include "platform/headless/headless_services.h"

#include "platform/scripted/log_text.h"

namespace kx {

std::vector<std::string> HeadlessMachineServices::runningPrograms() {
  log_ << "No Windows processes here\n";
  return {};
}

std::optional<uint32_t> HeadlessMachineServices::serviceState(const std::string& computer,
                                                              const std::string& service) {
  log_ << "No service manager here: " << escapeForLog(service) << " on "
       << escapeForLog(computer.empty() ? "this computer" : computer) << "\n";
  return std::nullopt;
}

bool HeadlessMachineServices::addShare(const Share& share) {
  log_ << "Share not created here: " << escapeForLog(share.name) << " for "
       << escapeForLog(share.path) << "\n";
  return false;
}

bool HeadlessMachineServices::deleteShare(const std::string&, const std::string& name) {
  log_ << "Share not deleted here: " << escapeForLog(name) << "\n";
  return false;
}

std::unique_ptr<SecuredObject> HeadlessAccessControl::open(SecuredKind, const std::string& name) {
  log_ << "No access lists here: " << escapeForLog(name) << "\n";
  return nullptr;
}

bool HeadlessComRegistration::refuse(const std::string& what, const std::string& path) {
  log_ << what << " not registered here: " << escapeForLog(path) << "\n";
  return false;
}

bool HeadlessComRegistration::registerTypeLibrary(const std::string& path, bool) {
  return refuse("Type library", path);
}

bool HeadlessComRegistration::startRegistrationProgram(const std::string& path,
                                                       const std::string&) {
  return refuse("Program", path);
}

bool HeadlessComRegistration::callSelfRegistration(const std::string& path, bool) {
  return refuse("Library", path);
}

}  // namespace kx
