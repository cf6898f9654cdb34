#pragma once
// Where a headless run's Windows paths live on the host: "Z:\" is the host's root, as under
// Wine; every other drive letter is a folder of its own under the run's sandbox folder.
#include <string>

namespace kx {

class Sandbox {
 public:
  explicit Sandbox(std::string folder) : folder_(std::move(folder)) {}
  const std::string& folder() const { return folder_; }

  // Host path of a Windows path, and back.
  std::string hostPath(const std::string& windowsPath) const;
  static std::string windowsPath(const std::string& hostPath);

 private:
  std::string folder_;
};

}  // namespace kx
