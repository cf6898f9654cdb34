#pragma once
// The support folder: T + "zel" + N + "\", filled from the files beside the engine program
// (payload archive B + ".res", installer database B + ".msi", patch package B + ".msp").
#include <functional>
#include <string>

#include "base/message_table.h"
#include "platform/platform.h"

namespace kx {

// Unpacks a whole archive into a folder (with a trailing backslash); false on failure.
using PayloadExtractor =
    std::function<bool(const std::string& archivePath, const std::string& folder)>;

// Creates T + "zel" + N + "\" for the smallest N whose name is free, after any missing parent
// folders. The last level is created exclusively, so two engines starting at once never share
// one. Throws on failure.
std::string createSupportFolder(FileSystem& files, const std::string& temporaryFolder);

// How filling the support folder ended; the failures name their message-table entry.
enum class SupportFilesResult {
  Ready = 0,
  ResourceNotFound = message_ids::kSetupResourceNotFound,
  DecompressionFailure = message_ids::kSetupResourceDecompressionFailure,
  DatabaseNotFound = message_ids::kSetupDatabaseNotFound
};

// Unpacks the payload archive (when an extractor is given) and copies the installer database
// and patch package, made writable. Folders end with a backslash. A copy that fails throws.
SupportFilesResult fillSupportFolder(FileSystem& files, const PayloadExtractor& extractPayload,
                                     const std::string& programFolder,
                                     const std::string& programBaseName,
                                     const std::string& supportFolder);

// Deletes the support folder with its contents, trying three times; failures are ignored.
void removeSupportFolder(FileSystem& files, const std::string& supportFolder);

}  // namespace kx
