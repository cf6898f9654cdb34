#pragma once
// Archive extraction through the archive library: list-archive, extract-archive, the codec
// set-up at start and the "Extract 7Zip Archive" command.
#include <span>
#include <string>
#include <vector>

#include "interpreter/engine.h"
#include "platform/platform.h"

namespace kx {

struct ArchiveListing {
  bool ok = false;
  std::vector<std::string> names;
  std::string error;
};
ArchiveListing listArchive(ArchiveLibrary& library, const std::string& archive,
                           const std::string& password);

struct ArchiveOutcome {
  bool ok = false;
  std::string error;
};
// Extracts every listed file under `destination`. `progress` may be empty; `overwriteAll`
// answers the library's overwrite question with "all" instead of "this one"; `libraryFlag`
// goes to the library inverted (the internal callers pass true).
ArchiveOutcome extractArchive(ArchiveLibrary& library, const std::string& archive,
                              const std::string& password, const std::string& destination,
                              ArchiveProgress progress, bool overwriteAll, bool libraryFlag);

// Writes the codec files and records their folder for the archive library; failures are
// silent. Run once when the engine starts, before any archive call.
void setUpCodecs(const Platform& platform);

// "Extract 7Zip Archive".
std::span<const CommandDescriptor> archiveCommands();

}  // namespace kx
