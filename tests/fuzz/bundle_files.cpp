// Bundle Files' first call on arbitrary variables, parameters and manifest (the input's three
// NUL-separated parts): it never throws, and every copy lands inside the target folder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/comma_text.h"
#include "bundlefiles/bundle_files.h"
#include "bundlefiles/rx_runtime.h"

namespace {

const std::string kPluginFolder = "C:\\P\\";
const std::string kManifest = "C:\\P\\manifest-B.txt";

class Machine : public rx::BundleMachine {
 public:
  explicit Machine(std::string manifest) : manifest_(std::move(manifest)) {}
  std::string targetFolder;

  bool folderExists(const std::string& path) override { return path == kPluginFolder; }
  bool fileExists(const std::string& path) override { return path == kManifest; }
  std::optional<std::string> readFile(const std::string&, std::string&) override {
    return manifest_;
  }
  uint32_t createFolders(const std::string&) override { return 0; }
  uint32_t copyFile(const std::string& source, const std::string& target) override {
    if (!source.starts_with(kPluginFolder) || !inside(source.substr(kPluginFolder.size())))
      std::abort();
    if (targetFolder.empty()) std::abort();
    const std::string prefix = targetFolder.back() == '\\' ? targetFolder : targetFolder + "\\";
    if (!target.starts_with(prefix) || !inside(target.substr(prefix.size()))) std::abort();
    return 0;
  }
  std::string systemErrorText(uint32_t) override { return "error"; }
  bool sameText(const std::string& a, const std::string& b) override { return a == b; }
  void showMessage(uintptr_t, const std::string&) override {}

 private:
  // No component climbs: Windows drops trailing dots and blanks, so "..." climbs as "..".
  static bool inside(const std::string& path) {
    if (path.empty() || path.find(':') != std::string::npos) return false;
    size_t start = 0;
    while (start <= path.size()) {
      const size_t end = std::min(path.find_first_of("\\/", start), path.size());
      std::string component = path.substr(start, end - start);
      while (!component.empty() && (component.back() == '.' || component.back() == ' '))
        component.pop_back();
      if (component.empty() && end - start > 1) return false;
      if (start == 0 && end == 0) return false;  // a leading separator
      start = end + 1;
    }
    return true;
  }
  std::string manifest_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t first = input.find('\0');
  const size_t second = first == std::string::npos ? first : input.find('\0', first + 1);
  if (second == std::string::npos) return 0;
  const std::string variables = input.substr(0, first);
  const std::string parameters =
      "SourceID=B,DoSubFolders=1,ReturnVar=R," + input.substr(first + 1, second - first - 1);
  Machine machine(input.substr(second + 1));
  rx::BundleFiles plugin(machine, kPluginFolder);
  int32_t status = 0;
  // The target the plug-in computes, by the same expansion it uses.
  const auto items = kx::readCommaText(parameters);
  machine.targetFolder =
      rx::expandVariables(kx::commaTextValue(items, "TargetPath"), kx::readCommaText(variables));
  plugin.execute(0, variables.c_str(), parameters.c_str(), &status, nullptr);
  return 0;
}
