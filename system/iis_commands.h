#pragma once
// Commands over the local IIS web server: sites, virtual folders and their properties.
#include <span>
#include <string>

#include "interpreter/command_table.h"

namespace kx {

std::span<const CommandDescriptor> iisCommands();

// The account the web server gives anonymous visitors of a new site; empty when it cannot be
// found out.
std::string iisAnonymousUser(Engine& engine);

}  // namespace kx
