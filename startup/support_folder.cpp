#include "startup/support_folder.h"

#include <stdexcept>

#include "base/values.h"

namespace kx {
namespace {

// Far beyond any number of leftover folders; it only keeps a broken file system from looping.
constexpr int kMaximumFolderNumber = 100000;
constexpr int kRemovalAttempts = 3;

}  // namespace

std::string createSupportFolder(FileSystem& files, const std::string& temporaryFolder) {
  // The temporary folder may lie below folders that do not exist yet; only the last level
  // must be new, so the parents are created first, as they are.
  files.createFolders(withoutTrailingBackslash(temporaryFolder));
  const std::string stem = withTrailingBackslash(temporaryFolder) + "zel";
  for (int n = 1; n <= kMaximumFolderNumber; ++n) {
    const std::string folder = stem + std::to_string(n);
    if (files.folderExists(folder) || files.fileExists(folder)) continue;
    switch (files.createFolderExclusive(folder)) {
      case FolderCreation::Created:
        return folder + "\\";
      case FolderCreation::AlreadyExists:
        continue;  // another engine took it just now
      case FolderCreation::Failed:
        throw std::runtime_error("Cannot create folder " + folder);
    }
  }
  throw std::runtime_error("No free support folder in " + temporaryFolder);
}

SupportFilesResult fillSupportFolder(FileSystem& files, const PayloadExtractor& extractPayload,
                                     const std::string& programFolder,
                                     const std::string& programBaseName,
                                     const std::string& supportFolder) {
  const std::string base = programFolder + programBaseName;
  const std::string archive = base + ".res";
  if (!files.fileExists(archive)) return SupportFilesResult::ResourceNotFound;
  if (extractPayload && !extractPayload(archive, supportFolder))
    return SupportFilesResult::DecompressionFailure;
  if (!files.fileExists(base + ".msi") && !files.fileExists(base + ".msp"))
    return SupportFilesResult::DatabaseNotFound;
  for (const char* extension : {".msi", ".msp"}) {
    const std::string from = base + extension;
    if (!files.fileExists(from)) continue;
    const std::string to = supportFolder + programBaseName + extension;
    if (!files.copyFile(from, to)) throw std::runtime_error("Cannot copy " + from + " to " + to);
    files.setNormalAttributes(to);
  }
  return SupportFilesResult::Ready;
}

void removeSupportFolder(FileSystem& files, const std::string& supportFolder) {
  if (supportFolder.empty()) return;
  const std::string folder = withoutTrailingBackslash(supportFolder);
  for (int attempt = 0; attempt < kRemovalAttempts && files.folderExists(folder); ++attempt)
    files.removeTree(folder);
}

}  // namespace kx
