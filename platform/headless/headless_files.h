#pragma once
// The host's file system, reached through the sandbox's Windows paths.
#include <ostream>

#include "platform/headless/sandbox.h"
#include "platform/platform.h"

namespace kx {

class HeadlessFileSystem : public FileSystem {
 public:
  HeadlessFileSystem(const Sandbox& sandbox, std::ostream& log) : sandbox_(sandbox), log_(log) {}

  bool fileExists(const std::string& path) override;
  bool folderExists(const std::string& path) override;
  std::optional<std::string> readFile(const std::string& path) override;
  bool writeFile(const std::string& path, const std::string& bytes) override;
  bool deleteFile(const std::string& path) override;
  FolderCreation createFolderExclusive(const std::string& path) override;
  bool copyFile(const std::string& from, const std::string& to) override;
  bool setNormalAttributes(const std::string& path) override;
  void removeTree(const std::string& path) override;
  // The host keeps no 8.3 names: an existing path is its own short form, as on a Windows
  // volume without short names.
  std::optional<std::string> shortPathName(const std::string& path) override;
  // Drive paths only; the drive letter in upper case, each component spelt as the host folder
  // lists it, matched exactly or else ignoring the case of A-Z.
  std::optional<std::string> longPathName(const std::string& path) override;
  // prefix + the lowest free number from 1 in upper-case hexadecimal + ".tmp".
  std::optional<std::string> createTemporaryFile(const std::string& folder,
                                                 const std::string& prefix) override;
  bool createFolders(const std::string& path) override;
  std::vector<FolderEntry> findEntries(const std::string& pattern) override;
  std::optional<VersionInformation> versionInformation(const std::string& path) override;
  DiskSpace diskSpace(const std::string& path) override;
  std::string iniValue(const std::string& file, const std::string& section,
                       const std::string& key) override;
  std::unique_ptr<ReadableFile> openForReading(const std::string& path) override;
  bool renameFile(const std::string& from, const std::string& to) override;
  bool renameFolder(const std::string& from, const std::string& to) override;
  // No restart comes: the request is logged.
  bool deleteAtRestart(const std::string& path) override;

 private:
  const Sandbox& sandbox_;
  std::ostream& log_;
};

}  // namespace kx
