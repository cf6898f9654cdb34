#pragma once
// Type libraries through OLEAUT32, servers through their own registration entry points.
#include "platform/platform.h"

namespace kx {

class Win32ComRegistration : public ComRegistration {
 public:
  bool registerTypeLibrary(const std::string& path, bool doRegister) override;
  bool startRegistrationProgram(const std::string& path, const std::string& option) override;
  bool callSelfRegistration(const std::string& path, bool doRegister) override;
};

}  // namespace kx
