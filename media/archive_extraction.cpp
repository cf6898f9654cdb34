#include "media/archive_extraction.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>

#include "base/values.h"
#include "interpreter/worker_and_wait.h"

namespace kx {
namespace {

// The library's callbacks carry no context of ours, so the pending password and the running
// extraction's progress record are engine-wide; only one listing or extraction runs at a time.
std::mutex gPendingLock;
std::optional<std::string> gPendingPassword;

void setPendingPassword(const std::string& password) {
  std::lock_guard guard(gPendingLock);
  gPendingPassword = password;
}

int32_t ZEL_CALL givePendingPassword(char* buffer) {
  std::lock_guard guard(gPendingLock);
  if (!gPendingPassword) return 0;
  const size_t length = std::min(gPendingPassword->size(), size_t{ZEL_PASSWORD_BUFFER_SIZE - 1});
  gPendingPassword->copy(buffer, length);
  buffer[length] = '\0';
  gPendingPassword.reset();
  return 1;
}

int32_t ZEL_CALL goOn(const char*, uint64_t, uint64_t) {
  return 1;
}
int32_t ZEL_CALL alwaysContinue(uint32_t, uint32_t) {
  return 1;
}
int32_t ZEL_CALL overwriteOne(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t,
                              uint32_t, uint32_t, uint32_t) {
  return ZEL_OVERWRITE_YES;
}
int32_t ZEL_CALL overwriteEvery(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t,
                                uint32_t, uint32_t, uint32_t, uint32_t) {
  return ZEL_OVERWRITE_ALL;
}

std::string listingErrorText(int32_t code) {
  switch (code) {
    case ZEL_ARCHIVE_NOT_FOUND:
      return "The archive file was not found";
    case ZEL_ILLEGAL_PATH:
      return "Illegal path used in a wildcard expression";
    case ZEL_CANNOT_OPEN:
      return "The archive cannot be opened: unsupported archive or incorrect password";
    default:
      return "General failure opening archive";
  }
}

// What a "Extract 7Zip Archive" worker shares with the interpreter, under the general lock.
struct DirectExtraction {
  Engine& engine;
  std::atomic<bool> cancel = false;
  std::string status;
  int64_t percentage = 0;
};
DirectExtraction* gDirectExtraction = nullptr;

int32_t ZEL_CALL directExtractionProgress(const char* fileName, uint64_t done, uint64_t total) {
  DirectExtraction& extraction = *gDirectExtraction;
  Engine& engine = extraction.engine;
  int32_t answer = 1;
  {
    std::lock_guard guard(engine.generalLock);
    // "+ 1" shows progress from the first byte on; the end reads 100, not 101.
    extraction.percentage =
        total == 0 ? 100 : std::min<int64_t>(static_cast<int64_t>(done * 100 / total) + 1, 100);
    const std::string_view path = fileName ? fileName : "";
    std::string status(fileNamePart(path));
    status += ", ";
    status += std::to_string(extraction.percentage);
    status += engine.messages.message(message_ids::kPercentComplete);
    extraction.status = std::move(status);
    if (extraction.cancel) answer = 0;
  }
  engine.platform.ui->wakeMessageLoop();
  return answer;
}

}  // namespace

ArchiveListing listArchive(ArchiveLibrary& library, const std::string& archive,
                           const std::string& password) {
  ArchiveListing listing;
  const ZelFunctions* zel = library.archiveFunctions();
  if (!zel) {
    listing.error = listingErrorText(0);
    return listing;
  }
  setPendingPassword(password);
  ZelEntry* entries = nullptr;
  uint32_t count = 0;
  const std::string path = library.archivePath(archive);
  void* handle = zel->openListArchive(path.c_str(), 0, givePendingPassword, 0, 0, 0,
                                      password.c_str(), &entries, &count);
  if (!handle) {
    listing.error = listingErrorText(zel->getLastArchiveError(0));
    return listing;
  }
  for (uint32_t i = 0; i < count; ++i) listing.names.emplace_back(entries[i].name);
  zel->closeListArchive(handle);
  listing.ok = true;
  return listing;
}

ArchiveOutcome extractArchive(ArchiveLibrary& library, const std::string& archive,
                              const std::string& password, const std::string& destination,
                              ZelProgressCallback progress, bool overwriteAll, bool libraryFlag) {
  ArchiveOutcome outcome;
  try {
    const ArchiveListing listing = listArchive(library, archive, password);
    if (!listing.ok) {
      outcome.error = listing.error;
      return outcome;
    }
    std::vector<const char*> names;
    for (const auto& name : listing.names) names.push_back(name.c_str());
    const ZelTargetList targets{names.data(), static_cast<uint32_t>(names.size())};
    setPendingPassword(password);
    const ZelFunctions* zel = library.archiveFunctions();
    const std::string path = library.archivePath(archive);
    const std::string target = library.archivePath(destination);
    outcome.ok =
        zel->extractArchive(path.c_str(), ZEL_EXTRACT_WITH_FOLDERS, target.c_str(), &targets,
                            libraryFlag ? 0 : 1, password.c_str(), givePendingPassword,
                            progress ? progress : goOn, alwaysContinue,
                            overwriteAll ? overwriteEvery : overwriteOne) != 0;
    if (!outcome.ok)
      outcome.error = std::string(1, '#').append(std::to_string(zel->getLastArchiveError(0)));
  } catch (const std::exception& error) {
    outcome.ok = false;
    outcome.error = error.what();
  }
  return outcome;
}

void setUpCodecs(const Platform& platform) {
  static constexpr std::pair<const char*, const char*> kCodecFiles[] = {
      {"CODECAES", "Codecs\\Aes.dll"},       {"CODEC7ZAES", "Codecs\\7zAes.dll"},
      {"CODECBRANCH", "Codecs\\Branch.dll"}, {"CODECCOPY", "Codecs\\Copy.dll"},
      {"CODECLZMA", "Codecs\\LZMA.dll"},     {"CODECSWAP", "Codecs\\Swap.dll"},
      {"FORMAT7Z", "Formats\\7z.dll"},
  };
  try {
    constexpr int kDesktopFolder = 0x0000;
    constexpr int kCommonProgramFiles = 0x002B;
    std::string folder;
    if (platform.system->isNtFamily()) {
      const std::string desktop =
          withoutTrailingBackslash(platform.system->specialFolder(kDesktopFolder));
      const size_t parentEnd = desktop.find_last_of('\\');
      if (desktop.empty() || parentEnd == std::string::npos) return;
      folder = desktop.substr(0, parentEnd + 1) + "Application Data\\";
    } else {
      const std::string common = platform.system->specialFolder(kCommonProgramFiles);
      if (common.empty()) return;
      folder = withTrailingBackslash(common);
    }
    folder += "Seven Zip\\";
    if (!platform.files->createFolders(folder + "Codecs") ||
        !platform.files->createFolders(folder + "Formats"))
      return;
    // The library decodes every coder itself; the files only mark what each resource held.
    for (const auto& [resource, file] : kCodecFiles) {
      const std::string path = folder + file;
      platform.files->deleteFile(path);
      if (!platform.files->writeFile(path, std::string("Kestrix codec ") + resource + "\r\n") ||
          !platform.files->fileExists(path))
        return;
    }
    platform.registry->writeString(RegistryRoot::CurrentUser,
                                   "SOFTWARE\\Orlanvik\\Kestrix\\Seven Zip", "Path", folder);
  } catch (...) {
    // The set-up's outcome is not reported.
  }
}

namespace {

void commandExtract7ZipArchive(Engine& engine) {
  const std::string archive = engine.expandedPath(1);
  const std::string destination = engine.expandedPath(2);
  const std::string resultVariable = engine.parameter(3);
  const std::string password = engine.expanded(4);
  const bool libraryFlag = isTrue(engine.parameter(5));
  const bool overwriteAll = isTrue(engine.parameter(6));

  DirectExtraction extraction{engine};
  ArchiveOutcome outcome;
  gDirectExtraction = &extraction;
  // TDirectExtractMedia: the worker of this command.
  const auto work = [&] {
    engine.platform.files->createFolders(destination);
    if (!engine.platform.archives) {
      outcome.error = listingErrorText(0);
      return;
    }
    outcome = extractArchive(*engine.platform.archives, archive, password, destination,
                             directExtractionProgress, overwriteAll, libraryFlag);
  };
  const auto publish = [&] {
    std::string status;
    int64_t percentage = 0;
    {
      std::lock_guard guard(engine.generalLock);
      status = extraction.status;
      percentage = extraction.percentage;
    }
    engine.publishProgress(engine.store.get("PROGRESSTEXT") + "\r" + status, 0, 100, percentage);
  };
  runWorkerAndWait(engine, extraction.cancel, work, publish);
  gDirectExtraction = nullptr;
  if (!resultVariable.empty())
    engine.writeResult(resultVariable, outcome.ok ? "SUCCESS" : outcome.error);
}

constexpr CommandDescriptor kArchiveCommands[] = {
    {"Extract 7Zip Archive", commandExtract7ZipArchive, {.resultLines = {3}}},
};

}  // namespace

std::span<const CommandDescriptor> archiveCommands() {
  return kArchiveCommands;
}

}  // namespace kx
