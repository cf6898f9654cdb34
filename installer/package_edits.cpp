#include "installer/package_edits.h"

#include "interpreter/engine.h"

namespace kx {
namespace {

// Values travel in parameter records rather than quoted in the text, so a value with an
// apostrophe is written like any other.
constexpr std::string_view kShortcutName = "UPDATE `Shortcut` SET `Name`=? WHERE `Directory_`=?";
constexpr std::string_view kShortcutDescription =
    "UPDATE `Shortcut` SET `Description`=? WHERE `Directory_`=?";
constexpr std::string_view kProgIdDescription =
    "UPDATE `ProgId` SET `Description`=? WHERE `ProgId`=?";
constexpr std::string_view kProgIdRename = "UPDATE `ProgId` SET `ProgId`=? WHERE `ProgId`=?";
constexpr std::string_view kNewPropertyRow =
    "INSERT INTO `Property` ( `Property` , `Value` ) VALUES ( ? , ? )";
constexpr std::string_view kPropertyValue = "UPDATE `Property` SET `Value`=? WHERE `Property`=?";
constexpr std::string_view kProductCodeValue =
    "UPDATE `Property` SET `Value`=? WHERE `Property`='ProductCode'";

template <typename Edit>
void editPackage(WindowsInstaller& installer, const std::string& path, Edit edit) {
  std::unique_ptr<InstallerPackage> package = installer.openForEditing(path);
  if (!package) return;
  edit(*package);
  package->commit();
}

}  // namespace

void applyShortcutRenames(WindowsInstaller& installer, const std::string& package,
                          const std::vector<ShortcutRename>& renames) {
  editPackage(installer, package, [&](InstallerPackage& edited) {
    for (const ShortcutRename& rename : renames) {
      edited.execute(kShortcutName, {rename.name, rename.directoryKey});
      edited.execute(kShortcutDescription, {rename.description, rename.directoryKey});
    }
  });
}

// The description goes first: the rename changes the key it is found by.
void applyProgIdRenames(WindowsInstaller& installer, const std::string& package,
                        const std::vector<ProgIdRename>& renames) {
  editPackage(installer, package, [&](InstallerPackage& edited) {
    for (const ProgIdRename& rename : renames) {
      edited.execute(kProgIdDescription, {rename.description, rename.progIdAsWritten});
      edited.execute(kProgIdRename, {rename.progId, rename.progIdAsWritten});
    }
  });
}

bool writePendingRows(WindowsInstaller& installer, SystemInfo& system, const std::string& package,
                      const NameValueList& rows, const NewInstanceCodes* newInstance) {
  if (newInstance)
    editPackage(installer, package, [&](InstallerPackage& edited) {
      edited.replaceColumnValues("Component", "ComponentId", [&] { return system.newGuid(); });
    });
  if (rows.empty()) return false;
  bool newInstanceWritten = false;
  editPackage(installer, package, [&](InstallerPackage& edited) {
    for (size_t i = 0; i < rows.size(); ++i) {
      if (i + 1 == rows.size() && newInstance) {
        edited.setPackageCode(newInstance->packageCode);
        edited.execute(kProductCodeValue, {newInstance->productCode});
        newInstanceWritten = true;
      }
      const std::string value = withLineBreaks(rows[i].second);
      edited.execute(kNewPropertyRow, {rows[i].first, value});
      edited.execute(kPropertyValue, {value, rows[i].first});
    }
  });
  return newInstanceWritten;
}

void editPackageAsApplied(const Engine& engine) {
  WindowsInstaller* installer = engine.platform.installer;
  if (!installer) return;
  const std::string& package = engine.options.msiFile;
  const ChangeRecording& changes = engine.changes;
  if (!engine.run.currentLanguage.empty()) {
    applyShortcutRenames(*installer, package, changes.shortcutRenames);
    applyProgIdRenames(*installer, package, changes.progIdRenames);
  }
  writePendingRows(*installer, *engine.platform.system, package, changes.pendingRows, nullptr);
}

}  // namespace kx
