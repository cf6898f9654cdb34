#pragma once
// Installer packages edited through the system's msi.dll, bound by name at the first package
// opened: the engine runs where Windows Installer may be missing.
#include <memory>
#include <string>

#include "platform/platform.h"

namespace kx {

struct MsiFunctions;

class Win32WindowsInstaller : public WindowsInstaller {
 public:
  Win32WindowsInstaller();
  ~Win32WindowsInstaller() override;
  Win32WindowsInstaller(const Win32WindowsInstaller&) = delete;
  Win32WindowsInstaller& operator=(const Win32WindowsInstaller&) = delete;

  // nullptr also when msi.dll or one of its functions is missing.
  std::unique_ptr<InstallerPackage> openForEditing(const std::string& path) override;

 private:
  // Shared with the open packages, which keep the library loaded.
  std::shared_ptr<const MsiFunctions> bind();

  std::shared_ptr<const MsiFunctions> functions_;
  bool bound_ = false;
};

}  // namespace kx
