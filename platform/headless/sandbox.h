#pragma once
// Where a headless run's Windows paths live on the host: "Z:\" is the host's root, as under
// Wine; every other drive letter is a folder of its own under the run's sandbox folder. Windows
// paths are texts in the run's code page, host paths UTF-8.
#include <string>

#include "platform/headless/code_page.h"

namespace kx {

class Sandbox {
 public:
  // The folders of the Windows machine that a run sees.
  static constexpr const char* kWindowsFolder = "C:\\Windows";
  static constexpr const char* kSystemFolder = "C:\\Windows\\system32";

  Sandbox(std::string folder, CodePage codePage)
      : folder_(std::move(folder)), codePage_(std::move(codePage)) {}
  const std::string& folder() const { return folder_; }
  const CodePage& codePage() const { return codePage_; }

  // Host path of a Windows path, and back.
  std::string hostPath(const std::string& windowsPath) const;
  std::string windowsPath(const std::string& hostPath) const;

 private:
  std::string folder_;
  CodePage codePage_;
};

}  // namespace kx
