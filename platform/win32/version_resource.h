#pragma once
// Version resources of program files, read through the system's version.dll.
#include <optional>
#include <string>

#include "platform/platform.h"

namespace kx {

// The fixed file version and the first translation entry; nullopt when the file has no version
// resource with fixed information, or version.dll cannot be loaded from the system folder.
std::optional<VersionInformation> readVersionResource(const std::string& path);

}  // namespace kx
