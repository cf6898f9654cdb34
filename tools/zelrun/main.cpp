// zelrun: runs a script file through the portable engine on a headless platform.
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "base/values.h"
#include "platform/headless/headless_platform.h"
#include "platform/headless/headless_startup.h"
#include "platform/headless/log_text.h"
#include "platform/headless/registry_file.h"
#include "startup/main_procedure.h"

namespace fs = std::filesystem;
using namespace kx;

namespace {

int usage() {
  std::cerr
      << "usage: zelrun [--silent] [--arg ARG]... [--dialog NEXT|BACK|CANCEL|NAME]...\n"
         "              [--answer OK|CANCEL|YES|NO|ABORT|RETRY|IGNORE]... [--support-dir DIR]\n"
         "              [--msi PATH] [--registry FILE] [--codepage N] [--trace] SCRIPT\n";
  return 2;
}

std::optional<MessageAnswer> answerFromWord(const std::string& word) {
  static const std::pair<const char*, MessageAnswer> words[] = {
      {"OK", MessageAnswer::Ok},        {"CANCEL", MessageAnswer::Cancel},
      {"YES", MessageAnswer::Yes},      {"NO", MessageAnswer::No},
      {"ABORT", MessageAnswer::Abort},  {"RETRY", MessageAnswer::Retry},
      {"IGNORE", MessageAnswer::Ignore}};
  for (const auto& [text, answer] : words)
    if (upperAscii(word) == text) return answer;
  return std::nullopt;
}

DialogOutcome outcomeFromWord(const std::string& word) {
  const std::string upper = upperAscii(word);
  if (upper == "NEXT") return {DialogOutcome::kNext, "", 0};
  if (upper == "BACK") return {DialogOutcome::kBack, "", 0};
  if (upper == "CANCEL") return {DialogOutcome::kCancel, "", 0};
  return {DialogOutcome::kCustom, word, 0};
}

std::string quoteArgument(const std::string& argument) {
  return argument.find(' ') == std::string::npos ? argument : "\"" + argument + "\"";
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> engineArguments;
  std::deque<DialogOutcome> outcomes;
  std::deque<MessageAnswer> answers;
  std::string supportDir, msiPath, registryPath, scriptPath;
  bool trace = false;
  unsigned codePage = CodePage::kWindowsLatin1;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw std::invalid_argument(arg + " needs a value");
      return argv[++i];
    };
    try {
      if (arg == "--silent") {
        engineArguments.push_back("/s");
      } else if (arg == "--arg") {
        engineArguments.push_back(value());
      } else if (arg == "--dialog") {
        outcomes.push_back(outcomeFromWord(value()));
      } else if (arg == "--answer") {
        const std::string word = value();
        const auto answer = answerFromWord(word);
        if (!answer) throw std::invalid_argument("unknown answer " + word);
        answers.push_back(*answer);
      } else if (arg == "--support-dir") {
        supportDir = value();
      } else if (arg == "--msi") {
        msiPath = value();
      } else if (arg == "--registry") {
        registryPath = value();
      } else if (arg == "--codepage") {
        const std::string number = value();
        codePage = static_cast<unsigned>(std::strtoul(number.c_str(), nullptr, 10));
        if (!CodePage::isSupported(codePage))
          throw std::invalid_argument("unsupported code page " + number);
      } else if (arg == "--trace") {
        trace = true;
      } else if (arg.starts_with("--") || !scriptPath.empty()) {
        return usage();
      } else {
        scriptPath = arg;
      }
    } catch (const std::invalid_argument& e) {
      std::cerr << "zelrun: " << e.what() << "\n";
      return usage();
    }
  }
  if (scriptPath.empty()) return usage();

  if (!std::ifstream(scriptPath, std::ios::binary)) {
    std::cerr << "zelrun: cannot read " << scriptPath << "\n";
    return 2;
  }

  // A registry file that cannot be read is refused before anything runs.
  HeadlessRegistry registry;
  RegistryFileFormat registryFormat = RegistryFileFormat::Version5;
  const TextConversion registryText = textConversion(CodePage(codePage));
  if (!registryPath.empty()) {
    const std::string error =
        loadRegistryFile(registryPath, registry, registryFormat, registryText);
    if (!error.empty()) {
      std::cerr << "zelrun: " << error << "\n";
      return 2;
    }
  }

  char sandboxTemplate[] = "/tmp/zelrun.XXXXXX";
  if (!mkdtemp(sandboxTemplate)) {
    std::cerr << "zelrun: cannot create a sandbox folder\n";
    return 2;
  }
  const std::string sandbox = sandboxTemplate;
  const bool ownSupportDir = supportDir.empty();
  if (ownSupportDir) supportDir = sandbox + "/support";
  fs::create_directories(supportDir);
  fs::create_directories(sandbox + "/temp");

  HeadlessPlatform headless(sandbox, fs::canonical("/proc/self/exe"), std::cerr, codePage);
  headless.dialogs.outcomes = std::move(outcomes);
  headless.ui.answers = std::move(answers);
  headless.registry = std::move(registry);

  std::string commandLine = "zelrun";
  for (const auto& argument : engineArguments) commandLine += " " + quoteArgument(argument);
  PreparedRun prepared;
  prepared.scriptFile = headless.sandbox.windowsPath(fs::absolute(scriptPath).string());
  prepared.supportFolder =
      withTrailingBackslash(headless.sandbox.windowsPath(fs::absolute(supportDir).string()));
  if (msiPath.empty()) {
    msiPath = (fs::absolute(supportDir) / "setup.msi").string();
    if (!fs::exists(msiPath)) std::ofstream(msiPath).flush();
  }
  prepared.msiFile = msiPath.find(':') == 1
                         ? msiPath
                         : headless.sandbox.windowsPath(fs::absolute(msiPath).string());
  HeadlessStartup startup(commandLine, engineArguments, std::move(prepared));

  RunObserver observer;
  if (trace)
    observer.traceStatement = [](const Engine& e) {
      std::cerr << "exec " << e.run.position << " " << e.command() << "\n";
    };
  observer.unbuiltCommand = [](const Engine& e) {
    std::cerr << "not built yet: " << e.run.position << " " << e.command() << "\n";
  };
  observer.runEnded = [](const Engine& engine, const RunResult& result) {
    if (!result.validation.ok())
      std::cerr << "validation: " << result.validation.result << ": " << result.validation.message
                << "\n";
    for (const auto& variable : engine.store.snapshot())
      std::cout << variable.name << "=" << escapeForLog(variable.value) << "\n";
  };
  int exitCode = runEngine(headless.platform(), startup, observer);
  if (!registryPath.empty()) {
    const std::string error =
        saveRegistryFile(registryPath, headless.registry, registryFormat, registryText);
    if (!error.empty()) {
      std::cerr << "zelrun: " << error << "\n";
      exitCode = 2;
    }
  }

  std::error_code ec;
  fs::remove_all(sandbox, ec);
  return exitCode;
}
