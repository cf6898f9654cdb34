#include "installer/installer_session.h"

#include "interpreter/engine.h"

namespace kx {

InstallerSession& installerSession(Engine& engine) {
  if (!engine.installer) engine.installer = std::make_shared<InstallerSession>();
  return *engine.installer;
}

}  // namespace kx
