#pragma once
// Installer packages edited and installed through the system's msi.dll, bound by name at the
// first call: the engine runs where Windows Installer may be missing or lack a function.
#include <memory>
#include <mutex>
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

  // Without msi.dll or the function: state -1, no information, code 1601 (no installer
  // service) or 120 (a function that this installer lacks).
  int32_t productState(const std::string& productCode) override;
  std::optional<std::string> productInfo(const std::string& productCode,
                                         const std::string& property) override;
  void enableLog(uint32_t mode, const std::string& path, uint32_t attributes) override;
  void setMessageHandler(uint32_t filter, InstallerMessageHandler handler) override;
  void addSource(const std::string& productCode, const std::string& user,
                 const std::string& source) override;
  uint32_t installProduct(const std::string& package, const std::string& commandLine) override;
  uint32_t applyPatch(const std::string& patch, const std::string& commandLine) override;
  PackageActionResult runPackageAction(
      const std::string& package,
      const std::vector<std::pair<std::string, std::string>>& properties,
      const std::string& action) override;

 private:
  // Shared with the open packages, which keep the library loaded.
  std::shared_ptr<const MsiFunctions> bind();

  std::shared_ptr<const MsiFunctions> functions_;
  std::once_flag bound_;
  // msi.dll holds its address as the context of the registered handler.
  InstallerMessageHandler handler_;
  bool handlerRegistered_ = false;
};

}  // namespace kx
