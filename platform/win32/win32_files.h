#pragma once
// The Windows file system through the ANSI file functions.
#include "platform/platform.h"

namespace kx {

class Win32FileSystem : public FileSystem {
 public:
  bool fileExists(const std::string& path) override;
  bool folderExists(const std::string& path) override;
  std::optional<std::string> readFile(const std::string& path) override;
  bool writeFile(const std::string& path, const std::string& bytes) override;
  bool deleteFile(const std::string& path) override;
  FolderCreation createFolderExclusive(const std::string& path) override;
  bool copyFile(const std::string& from, const std::string& to) override;
  bool setNormalAttributes(const std::string& path) override;
  void removeTree(const std::string& path) override;
  std::optional<std::string> shortPathName(const std::string& path) override;
  std::optional<std::string> longPathName(const std::string& path) override;
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
  bool deleteAtRestart(const std::string& path) override;
};

}  // namespace kx
