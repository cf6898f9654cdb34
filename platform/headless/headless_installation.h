#pragma once
// The headless platform's installer. Packages are edited through libmsi; installations are only
// stood in for: nothing is installed, each call is logged ("Installer: ...") with the property
// hand-over file the apply wrote for it, scripted messages go to the handler, and the calls
// answer a chosen code. A successful installation marks the package's product installed and a
// successful removal forgets it, so a run's maintenance detection sees what it did.
#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/headless/libmsi_installer.h"
#include "platform/headless/sandbox.h"
#include "platform/platform.h"

namespace kx {

// A message the installer sends during each installation call.
struct ScriptedInstallerMessage {
  uint32_t type = 0;
  std::string text;
};

// Reads one message a line, "TYPE TEXT" with TYPE in hexadecimal (with or without "0x") and
// "$NEWLINE$" in TEXT for a line break; empty lines are skipped. An error text names the line.
std::string readInstallerMessages(std::string_view text,
                                  std::vector<ScriptedInstallerMessage>& messages);

class HeadlessInstaller : public WindowsInstaller {
 public:
  // The property hand-over files are looked for in the system's temporary folder.
  HeadlessInstaller(const Sandbox& sandbox, SystemInfo& system, std::ostream& log)
      : packages_(sandbox), sandbox_(sandbox), system_(system), log_(log) {}

  // What installProduct, applyPatch and runPackageAction answer, unless the handler cancels.
  uint32_t result = installer_codes::kSuccess;
  std::vector<ScriptedInstallerMessage> messages;
  // An empty package code is one the installer cannot tell.
  void markInstalled(const std::string& productCode, const std::string& packageCode);

  std::unique_ptr<InstallerPackage> openForEditing(const std::string& path) override {
    return packages_.openForEditing(path);
  }
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
  // Logs the hand-over file of the package's product, sends the messages and logs the answer.
  uint32_t runInstallation(const std::optional<PackageIdentity>& identity);
  void logHandOver(const std::string& productCode);

  LibmsiInstaller packages_;
  const Sandbox& sandbox_;
  SystemInfo& system_;
  std::ostream& log_;
  uint32_t filter_ = 0;
  InstallerMessageHandler handler_;
  // Package codes by upper-case product code.
  std::map<std::string, std::string> installed_;
};

}  // namespace kx
