#pragma once
// uSharedDLL: what the plug-in needs from the machine, and the file copy that creates the
// target's folder first.
#include <cstdint>
#include <optional>
#include <string>

namespace rx {

class BundleMachine {
 public:
  virtual ~BundleMachine() = default;
  virtual bool folderExists(const std::string& path) = 0;
  virtual bool fileExists(const std::string& path) = 0;
  // The file's bytes; empty with the system's text for the failure in `error`.
  virtual std::optional<std::string> readFile(const std::string& path, std::string& error) = 0;
  // Creates a folder with every missing parent; 0 or the system's error code.
  virtual uint32_t createFolders(const std::string& path) = 0;
  // Copies a file, replacing the target; 0 or the system's error code.
  virtual uint32_t copyFile(const std::string& source, const std::string& target) = 0;
  virtual std::string systemErrorText(uint32_t code) = 0;
  // Equal ignoring letter case in the system's sense (beyond A-Z).
  virtual bool sameText(const std::string& a, const std::string& b) = 0;
  // A message box with one OK button and the system's default caption.
  virtual void showMessage(uintptr_t owner, const std::string& text) = 0;
};

// The folder part of a path, with its trailing backslash; empty when there is none.
std::string folderOf(const std::string& path);

// Creates the target's folder, then copies; 0 or the system's error code.
uint32_t copyFileCreatingFolder(BundleMachine& machine, const std::string& source,
                                const std::string& target);

}  // namespace rx
