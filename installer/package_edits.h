#pragma once
// Edits of the run-time installer package before the installer runs: the recorded property
// rows, the renames a setup language asks for, and a new product instance's codes. Each
// operation opens the package, edits it and closes it again; every failure is ignored, so a
// failed edit is simply missing from the package.
#include <string>
#include <vector>

#include "interpreter/change_recording.h"
#include "platform/platform.h"

namespace kx {

struct Engine;

void applyShortcutRenames(WindowsInstaller& installer, const std::string& package,
                          const std::vector<ShortcutRename>& renames);
void applyProgIdRenames(WindowsInstaller& installer, const std::string& package,
                        const std::vector<ProgIdRename>& renames);

// The codes a new product instance gives the package.
struct NewInstanceCodes {
  std::string productCode;
  std::string packageCode;  // REVISIONCODE
};

// Writes the rows into the Property table in order, a later row of the same name winning. For
// a new instance the components get new codes first, and the package code and ProductCode
// are written before the last row. True when the package now belongs to a new instance.
bool writePendingRows(WindowsInstaller& installer, SystemInfo& system, const std::string& package,
                      const NameValueList& rows, const NewInstanceCodes* newInstance);

// What applying the changes would do to the package at this point of the run: the renames
// while a setup language is set, then the pending rows.
void editPackageAsApplied(const Engine& engine);

}  // namespace kx
