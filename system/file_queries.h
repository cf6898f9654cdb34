#pragma once
// Commands that look at the file system, or read and write plain files, at once.
#include <atomic>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "interpreter/command_table.h"
#include "platform/platform.h"

namespace kx {

std::span<const CommandDescriptor> fileQueryCommands();

// Every file (and, when asked, every folder) that a pattern "folder\mask" finds: each subfolder's
// own results followed by the subfolder itself, then the matching files of the folder. Stops
// when `cancel` is set; `visiting` is told each folder searched, `found` each file.
struct FileSearch {
  bool subfolders = false;
  bool listFolders = false;
  const std::atomic<bool>* cancel = nullptr;
  std::function<void()> visiting;
  std::function<void(const std::string& path)> found;
};
std::vector<std::string> findAllFiles(FileSystem& files, const std::string& pattern,
                                      const FileSearch& search);

}  // namespace kx
