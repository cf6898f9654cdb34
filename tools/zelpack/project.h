#pragma once
// The readable JSON form of a setup project, compiled into the script file format.
#include <string>

#include "script/script.h"

namespace kx {

// Builds the script from a project's JSON text. Statements without an id get one derived
// from the title and their position, so the same project always compiles to the same bytes.
// Throws std::runtime_error with a readable message for a malformed project.
Script scriptFromProject(const std::string& json);

}  // namespace kx
