#pragma once
// Installer packages edited through msitools' libmsi. Paths are the sandbox's Windows paths;
// SQL texts and values are in the run's code page and reach libmsi as UTF-8.
#include <memory>
#include <string>

#include "platform/headless/sandbox.h"
#include "platform/platform.h"

namespace kx {

class LibmsiInstaller : public WindowsInstaller {
 public:
  explicit LibmsiInstaller(const Sandbox& sandbox);
  std::unique_ptr<InstallerPackage> openForEditing(const std::string& path) override;

 private:
  const Sandbox& sandbox_;
};

}  // namespace kx
