#pragma once
// Access lists through the named-object security functions: the list is read when an object is
// opened, edited in memory and set again on write.
#include "platform/platform.h"

namespace kx {

class Win32AccessControl : public AccessControl {
 public:
  std::unique_ptr<SecuredObject> open(SecuredKind kind, const std::string& name) override;
};

}  // namespace kx
