// zelrun: runs a script file through the portable engine on a headless platform.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>

#include "base/values.h"
#include "platform/headless/headless_platform.h"
#include "platform/headless/registry_file.h"
#include "tools/zelrun/runner.h"

namespace fs = std::filesystem;
using namespace kx;

int main(int argc, char** argv) {
  std::optional<RunnerOptions> options = parseRunnerOptions(argc, argv);
  if (!options) return 2;
  const unsigned codePage = options->codePage != 0 ? options->codePage : CodePage::kWindowsLatin1;
  if (!CodePage::isSupported(codePage)) {
    std::cerr << "zelrun: unsupported code page " << codePage << "\n";
    return 2;
  }

  // A registry file that cannot be read is refused before anything runs.
  HeadlessRegistry registry;
  RegistryFileFormat registryFormat = RegistryFileFormat::Version5;
  const TextConversion registryText = textConversion(CodePage(codePage));
  const std::string& registryPath = options->registryFile;
  if (!registryPath.empty()) {
    const std::string error =
        loadRegistryFile(registryPath, registry, registryFormat, registryText);
    if (!error.empty()) {
      std::cerr << "zelrun: " << error << "\n";
      return 2;
    }
  }

  // So is a web server file; a missing one is a web server without sites.
  FileWebServer webServer;
  const std::string& webServerPath = options->webServerFile;
  if (!webServerPath.empty()) {
    webServer.installed = true;
    if (fs::exists(webServerPath)) {
      std::ifstream in(webServerPath, std::ios::binary);
      const std::string text((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
      const std::string error = readWebServerFile(text, webServer);
      if (!error.empty()) {
        std::cerr << "zelrun: " << webServerPath << ": " << error << "\n";
        return 2;
      }
    }
  }

  // And so is a file of installer messages.
  std::vector<ScriptedInstallerMessage> installerMessages;
  const std::string& messagesPath = options->installerMessagesFile;
  if (!messagesPath.empty()) {
    std::ifstream in(messagesPath, std::ios::binary);
    if (!in) {
      std::cerr << "zelrun: cannot read " << messagesPath << "\n";
      return 2;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string error = readInstallerMessages(text, installerMessages);
    if (!error.empty()) {
      std::cerr << "zelrun: " << messagesPath << ": " << error << "\n";
      return 2;
    }
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

  HeadlessPlatform headless(sandbox, fs::canonical("/proc/self/exe"), std::cerr, codePage);
  headless.registry = std::move(registry);
  headless.webServer = std::move(webServer);
  headless.installer.result = options->installerResult.value_or(installer_codes::kSuccess);
  headless.installer.messages = std::move(installerMessages);
  for (const auto& [productCode, packageCode] : options->installedProducts)
    headless.installer.markInstalled(productCode, packageCode);
  if (headless.webServer.installed && headless.webServer.anonymousUser.empty())
    headless.webServer.anonymousUser = "IUSR_" + headless.system.computerName();
  const auto windowsPath = [&](const std::string& hostPath) {
    return headless.sandbox.windowsPath(fs::absolute(hostPath).string());
  };
  PreparedRun prepared;
  prepared.scriptFile = windowsPath(options->scriptPath);
  prepared.supportFolder = withTrailingBackslash(windowsPath(supportDir));
  std::string msiPath = options->msiPath;
  if (msiPath.empty()) {
    msiPath = (fs::absolute(supportDir) / "setup.msi").string();
    if (!fs::exists(msiPath)) std::ofstream(msiPath).flush();
  }
  prepared.msiFile = msiPath.find(':') == 1 ? msiPath : windowsPath(msiPath);
  int exitCode = runPrepared(headless.platform(), *options, std::move(prepared));
  if (!registryPath.empty()) {
    const std::string error =
        saveRegistryFile(registryPath, headless.registry, registryFormat, registryText);
    if (!error.empty()) {
      std::cerr << "zelrun: " << error << "\n";
      exitCode = 2;
    }
  }

  if (!webServerPath.empty() &&
      !(std::ofstream(webServerPath, std::ios::binary) << writeWebServerFile(headless.webServer))) {
    std::cerr << "zelrun: cannot write " << webServerPath << "\n";
    exitCode = 2;
  }

  std::error_code ec;
  fs::remove_all(sandbox, ec);
  return exitCode;
}
