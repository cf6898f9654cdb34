#pragma once
// The product cache folder, the uninstall entry and the instance file of an installed product,
// and the commands that ask about and change the product instance.
#include <span>
#include <string>

#include "interpreter/command_table.h"

namespace kx {

struct Engine;

// After an "Apply Changes" that succeeded: fills or empties the cache folder and writes or
// deletes the uninstall and identity entries. Neither install nor uninstall: advertised.
void registerProduct(Engine& engine, bool install, bool uninstall);

// "Is MSI Setup Installed" and "Transform Instance".
std::span<const CommandDescriptor> instanceCommands();

}  // namespace kx
