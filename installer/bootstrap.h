#pragma once
#include <string>

#include "installer/product_instance.h"

namespace kx {

struct Engine;

// Maintenance detection before the first statement (context "Bootstrap"): takes the product's
// identity from the script, or from the instance file beside the engine when it runs from a
// product cache; writes PRODUCTCODE, REVISIONCODE, UNINSTALLLINK, DATADIR, NEEDSUPGRADE,
// MAINTENANCE and NEWINSTANCE, loads an installed product's selections and recorded
// properties or sets a first installation's TARGETDIR, STARTMENU and ALLUSERS. A patch run
// then loads the selections and properties of the instance the patch is for.
void bootstrap(Engine& engine);

// The same detection for a product of the given identity (a new instance).
void bootstrapProduct(Engine& engine, const ProductIdentity& product);

// The path UNINSTALLLINK names before every statement.
std::string uninstallLink(Engine& engine);

}  // namespace kx
