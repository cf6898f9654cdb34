#include "installer/installer_messages.h"

namespace kx {

int32_t InstallerMessages::handle(UserInterface&, const MessageTable&, uint32_t, const std::string&,
                                  const ProgressContext&) {
  return 0;
}

std::string InstallerMessages::lastError() const {
  std::lock_guard guard(lock_);
  return lastError_;
}

void InstallerMessages::clearLastError() {
  std::lock_guard guard(lock_);
  lastError_.clear();
}

}  // namespace kx
