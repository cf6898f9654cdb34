#pragma once
// The build machine has no Windows processes, services, shares, access lists or COM: the
// queries answer as a machine without them ("FALSE", "NOTINSTALLED") and every change is
// refused. Each attempt is logged.
#include <ostream>

#include "platform/platform.h"

namespace kx {

class HeadlessMachineServices : public MachineServices {
 public:
  explicit HeadlessMachineServices(std::ostream& log) : log_(log) {}
  std::vector<std::string> runningPrograms() override;
  std::optional<uint32_t> serviceState(const std::string& computer,
                                       const std::string& service) override;
  bool addShare(const Share& share) override;
  bool deleteShare(const std::string& computer, const std::string& name) override;

 private:
  std::ostream& log_;
};

class HeadlessAccessControl : public AccessControl {
 public:
  explicit HeadlessAccessControl(std::ostream& log) : log_(log) {}
  std::unique_ptr<SecuredObject> open(SecuredKind kind, const std::string& name) override;

 private:
  std::ostream& log_;
};

class HeadlessComRegistration : public ComRegistration {
 public:
  explicit HeadlessComRegistration(std::ostream& log) : log_(log) {}
  bool registerTypeLibrary(const std::string& path, bool doRegister) override;
  bool startRegistrationProgram(const std::string& path, const std::string& option) override;
  bool callSelfRegistration(const std::string& path, bool doRegister) override;

 private:
  bool refuse(const std::string& what, const std::string& path);
  std::ostream& log_;
};

}  // namespace kx
