// zelrun: runs a script file through the portable engine on a headless platform.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>

#include "base/values.h"
#include "platform/headless/headless_platform.h"
#include "tools/zelrun/runner.h"

namespace fs = std::filesystem;
using namespace kx;

int main(int argc, char** argv) {
  std::optional<RunnerOptions> options = parseRunnerOptions(argc, argv);
  if (!options) return 2;
  if (!options->registryFile.empty()) {
    std::cerr << "zelrun: --registry is not built yet\n";
    return 2;
  }

  char sandboxTemplate[] = "/tmp/zelrun.XXXXXX";
  if (!mkdtemp(sandboxTemplate)) {
    std::cerr << "zelrun: cannot create a sandbox folder\n";
    return 2;
  }
  const std::string sandbox = sandboxTemplate;
  std::string supportDir = options->supportDir;
  if (supportDir.empty()) supportDir = sandbox + "/support";
  fs::create_directories(supportDir);
  fs::create_directories(sandbox + "/temp");

  HeadlessPlatform headless(sandbox, Sandbox::windowsPath(fs::canonical("/proc/self/exe")),
                            std::cerr);
  PreparedRun prepared;
  prepared.scriptFile = Sandbox::windowsPath(fs::absolute(options->scriptPath).string());
  prepared.supportFolder =
      withTrailingBackslash(Sandbox::windowsPath(fs::absolute(supportDir).string()));
  std::string msiPath = options->msiPath;
  if (msiPath.empty()) {
    msiPath = (fs::absolute(supportDir) / "setup.msi").string();
    if (!fs::exists(msiPath)) std::ofstream(msiPath).flush();
  }
  prepared.msiFile =
      msiPath.find(':') == 1 ? msiPath : Sandbox::windowsPath(fs::absolute(msiPath).string());
  const int exitCode = runPrepared(headless.platform(), *options, std::move(prepared));

  std::error_code ec;
  fs::remove_all(sandbox, ec);
  return exitCode;
}
