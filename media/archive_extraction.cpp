#include "media/archive_extraction.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>
#include <string_view>

#include "base/values.h"
#include "interpreter/worker_and_wait.h"
#include "media/zel/zel.h"

namespace kx {
namespace {

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

  // The worker's progress report; false once the user has asked to cancel.
  bool report(std::string_view fileName, uint64_t done, uint64_t total) {
    bool goOn = true;
    bool advanced = false;
    {
      std::lock_guard guard(engine.generalLock);
      // "+ 1" shows progress from the first byte on; the end reads 100, not 101.
      const int64_t now =
          total == 0 ? 100 : std::min<int64_t>(static_cast<int64_t>(done * 100 / total) + 1, 100);
      advanced = now != percentage;
      percentage = now;
      std::string text(fileNamePart(fileName));
      text += ", ";
      text += std::to_string(percentage);
      text += engine.messages.message(message_ids::kPercentComplete);
      status = std::move(text);
      if (cancel) goOn = false;
    }
    // Waking the waiting loop for every file would keep its message queue full, and a full
    // queue starves the progress page's one-second timer: wake it when the percentage moves.
    if (advanced) engine.platform.ui->wakeMessageLoop();
    return goOn;
  }
};

}  // namespace

ArchiveListing listArchive(ArchiveLibrary& library, const std::string& archive,
                           const std::string& password) {
  ArchiveListing listing;
  std::optional<std::vector<std::string>> names = library.list(archive, password);
  if (!names) {
    listing.error = listingErrorText(library.lastError());
    return listing;
  }
  listing.names = std::move(*names);
  listing.ok = true;
  return listing;
}

ArchiveOutcome extractArchive(ArchiveLibrary& library, const std::string& archive,
                              const std::string& password, const std::string& destination,
                              ArchiveProgress progress, bool overwriteAll, bool libraryFlag) {
  ArchiveOutcome outcome;
  try {
    ArchiveListing listing = listArchive(library, archive, password);
    if (!listing.ok) {
      outcome.error = listing.error;
      return outcome;
    }
    ArchiveExtraction extraction;
    extraction.password = password;
    extraction.entries = std::move(listing.names);
    extraction.progress = std::move(progress);
    extraction.overwriteAll = overwriteAll;
    extraction.keepWriteTimes = !libraryFlag;
    outcome.ok = library.extract(archive, destination, extraction);
    if (!outcome.ok)
      outcome.error = std::string(1, '#').append(std::to_string(library.lastError()));
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
  // TDirectExtractMedia: the worker of this command.
  const auto work = [&] {
    engine.platform.files->createFolders(destination);
    if (!engine.platform.archives) {
      outcome.error = listingErrorText(0);
      return;
    }
    outcome = extractArchive(
        *engine.platform.archives, archive, password, destination,
        [&extraction](std::string_view fileName, uint64_t done, uint64_t total) {
          return extraction.report(fileName, done, total);
        },
        overwriteAll, libraryFlag);
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
