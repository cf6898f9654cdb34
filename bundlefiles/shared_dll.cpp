#include "bundlefiles/shared_dll.h"

namespace rx {

std::string folderOf(const std::string& path) {
  const size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

uint32_t copyFileCreatingFolder(BundleMachine& machine, const std::string& source,
                                const std::string& target) {
  const std::string folder = folderOf(target);
  if (!folder.empty() && !machine.folderExists(folder))
    if (const uint32_t error = machine.createFolders(folder)) return error;
  return machine.copyFile(source, target);
}

}  // namespace rx
