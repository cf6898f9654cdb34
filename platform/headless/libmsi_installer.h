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

  // Installations are not run here yet: nothing is installed and every call succeeds.
  int32_t productState(const std::string&) override { return -1; }
  std::optional<std::string> productInfo(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  void enableLog(uint32_t, const std::string&, uint32_t) override {}
  void setMessageHandler(uint32_t, InstallerMessageHandler) override {}
  void addSource(const std::string&, const std::string&, const std::string&) override {}
  uint32_t installProduct(const std::string&, const std::string&) override { return 0; }
  uint32_t applyPatch(const std::string&, const std::string&) override { return 0; }
  PackageActionResult runPackageAction(const std::string&,
                                       const std::vector<std::pair<std::string, std::string>>&,
                                       const std::string&) override {
    return {};
  }

 private:
  const Sandbox& sandbox_;
};

}  // namespace kx
