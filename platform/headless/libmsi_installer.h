#pragma once
// Installer packages edited and read through msitools' libmsi. Paths are the sandbox's Windows
// paths; SQL texts and values are in the run's code page and reach libmsi as UTF-8.
#include <memory>
#include <optional>
#include <string>

#include "platform/headless/sandbox.h"
#include "platform/platform.h"

namespace kx {

// What a package says it installs: the Property table's ProductCode and the summary
// information's revision number (the package code).
struct PackageIdentity {
  std::string productCode;
  std::string packageCode;
};

class LibmsiInstaller {
 public:
  explicit LibmsiInstaller(const Sandbox& sandbox);
  // nullptr when the file is missing, read-only, or not an installer package.
  std::unique_ptr<InstallerPackage> openForEditing(const std::string& path);
  // nullopt when the file is not a package or names no product code.
  std::optional<PackageIdentity> identity(const std::string& path);

 private:
  const Sandbox& sandbox_;
};

}  // namespace kx
