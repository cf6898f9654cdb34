// zelrun.exe: runs a script file through the engine on Windows itself: registry, files, system
// facts, libraries and archives are the machine's. Only message boxes and dialogs are answered
// from the command line, as zelrun answers them; nothing is drawn.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <stdexcept>

#include "base/values.h"
#include "platform/win32/win32_platform.h"
#include "startup/support_folder.h"
#include "tools/zelrun/runner.h"

using namespace kx;

namespace {

std::string fullPath(const std::string& path) {
  const DWORD needed = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  std::string full(needed, '\0');
  const DWORD length = GetFullPathNameA(path.c_str(), needed, full.data(), nullptr);
  if (needed == 0 || length == 0 || length >= needed) return path;
  full.resize(length);
  return full;
}

}  // namespace

int main(int argc, char** argv) {
  // The store is printed byte for byte, each line ending as zelrun's do.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  Win32Platform::searchLibrariesInSystemFolderOnly();
  std::optional<RunnerOptions> options = parseRunnerOptions(argc, argv);
  if (!options) return 2;
  if (!options->registryFile.empty()) {
    std::cerr << "zelrun: --registry is for the headless registry of zelrun; zelrun.exe reads "
                 "and writes the registry of Windows\n";
    return 2;
  }
  if (!options->webServerFile.empty()) {
    std::cerr << "zelrun: --iis is for the headless web server of zelrun; zelrun.exe uses the "
                 "web server of Windows\n";
    return 2;
  }
  if (options->installerResult || !options->installedProducts.empty() ||
      !options->installerMessagesFile.empty()) {
    std::cerr << "zelrun: --installer-result, --installed-product and --installer-messages are "
                 "for the headless installer of zelrun; zelrun.exe runs the installer of Windows\n";
    return 2;
  }
  if (options->codePage != 0) {
    std::cerr << "zelrun: --codepage is for the headless platform of zelrun; zelrun.exe uses the "
                 "code page of Windows\n";
    return 2;
  }

  Win32Platform win32;
  PreparedRun prepared;
  prepared.scriptFile = fullPath(options->scriptPath);
  const bool ownSupportFolder = options->supportDir.empty();
  try {
    prepared.supportFolder = ownSupportFolder
                                 ? createSupportFolder(win32.files, win32.system.temporaryFolder())
                                 : withTrailingBackslash(fullPath(options->supportDir));
  } catch (const std::exception& error) {
    std::cerr << "zelrun: cannot create a support folder: " << error.what() << "\n";
    return 2;
  }
  win32.files.createFolders(withoutTrailingBackslash(prepared.supportFolder));
  prepared.msiFile =
      options->msiPath.empty() ? prepared.supportFolder + "setup.msi" : fullPath(options->msiPath);
  if (options->msiPath.empty() && !win32.files.fileExists(prepared.msiFile))
    win32.files.writeFile(prepared.msiFile, "");
  const std::string supportFolder = prepared.supportFolder;
  const int exitCode = runPrepared(win32.platform(), *options, std::move(prepared));
  std::cout.flush();
  if (ownSupportFolder) removeSupportFolder(win32.files, supportFolder);
  return exitCode;
}
