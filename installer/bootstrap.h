#pragma once
#include <string>

namespace kx {

struct Engine;

// Maintenance detection before the first statement: writes PRODUCTCODE, REVISIONCODE,
// UNINSTALLLINK, DATADIR, NEEDSUPGRADE, MAINTENANCE and the first installation's TARGETDIR,
// STARTMENU and ALLUSERS (context "Bootstrap").
void bootstrap(Engine& engine);

// The path UNINSTALLLINK names before every statement.
std::string uninstallLink(Engine& engine);

}  // namespace kx
