#include "tools/zelrun/runner.h"

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <iostream>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "base/values.h"
#include "installer/package_edits.h"
#include "interpreter/engine.h"
#include "platform/scripted/log_text.h"
#include "platform/scripted/scripted_dialogs.h"
#include "platform/scripted/scripted_startup.h"
#include "platform/scripted/scripted_user_interface.h"
#include "startup/main_procedure.h"

namespace kx {
namespace {

void usage() {
  std::cerr
      << "usage: zelrun [--silent] [--arg ARG]... [--dialog NEXT|BACK|CANCEL|NAME]...\n"
         "              [--answer OK|CANCEL|YES|NO|ABORT|RETRY|IGNORE]... [--support-dir DIR]\n"
         "              [--msi PATH] [--registry FILE] [--codepage N] [--properties] [--trace]\n"
         "              [--cancel-after MILLISECONDS] [--iis FILE] [--installer-result CODE]\n"
         "              [--installed-product CODE[=PACKAGECODE]]... [--installer-messages FILE]\n"
         "              SCRIPT\n";
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

void printProperties(const char* heading, const NameValueList& properties) {
  std::cout << heading << "\n";
  for (const auto& [name, value] : properties)
    std::cout << escapeForLog(name) << "=" << escapeForLog(value) << "\n";
}

// Presses the progress page's Cancel once the delay has passed, unless stopped before.
class DelayedCancel {
 public:
  DelayedCancel() = default;
  DelayedCancel(const DelayedCancel&) = delete;
  DelayedCancel& operator=(const DelayedCancel&) = delete;
  ~DelayedCancel() { stop(); }

  void start(Engine& engine, int milliseconds) {
    thread_ = std::thread([this, &engine, milliseconds] {
      std::unique_lock lock(lock_);
      if (!stopping_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                              [this] { return stopped_; }))
        engine.cancelRequested = true;
    });
  }
  void stop() {
    {
      std::lock_guard guard(lock_);
      stopped_ = true;
    }
    stopping_.notify_all();
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::mutex lock_;
  std::condition_variable stopping_;
  bool stopped_ = false;
  std::thread thread_;
};

std::string quoteArgument(const std::string& argument) {
  return argument.find(' ') == std::string::npos ? argument : "\"" + argument + "\"";
}

}  // namespace

std::optional<RunnerOptions> parseRunnerOptions(int argc, char** argv) {
  RunnerOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw std::invalid_argument(arg + " needs a value");
      return argv[++i];
    };
    try {
      if (arg == "--silent") {
        options.engineArguments.push_back("/s");
      } else if (arg == "--arg") {
        options.engineArguments.push_back(value());
      } else if (arg == "--dialog") {
        options.dialogAnswers.push_back(value());
      } else if (arg == "--answer") {
        const std::string word = value();
        const auto answer = answerFromWord(word);
        if (!answer) throw std::invalid_argument("unknown answer " + word);
        options.answers.push_back(*answer);
      } else if (arg == "--support-dir") {
        options.supportDir = value();
      } else if (arg == "--msi") {
        options.msiPath = value();
      } else if (arg == "--registry") {
        options.registryFile = value();
      } else if (arg == "--iis") {
        options.webServerFile = value();
      } else if (arg == "--installer-result") {
        const std::string number = value();
        const auto parsed = tryParseInteger(number);
        if (!parsed || *parsed < 0)
          throw std::invalid_argument("not an installer result: " + number);
        options.installerResult = static_cast<uint32_t>(*parsed);
      } else if (arg == "--installed-product") {
        const std::string product = value();
        const size_t equals = product.find('=');
        if (equals == 0 || product.empty())
          throw std::invalid_argument("no product code: " + product);
        options.installedProducts.emplace_back(
            product.substr(0, equals),
            equals == std::string::npos ? "" : product.substr(equals + 1));
      } else if (arg == "--installer-messages") {
        options.installerMessagesFile = value();
      } else if (arg == "--codepage") {
        const std::string number = value();
        const auto parsed = tryParseInteger(number);
        if (!parsed || *parsed <= 0) throw std::invalid_argument("unsupported code page " + number);
        options.codePage = static_cast<unsigned>(*parsed);
      } else if (arg == "--properties") {
        options.printProperties = true;
      } else if (arg == "--cancel-after") {
        const std::string number = value();
        const auto parsed = tryParseInteger(number);
        if (!parsed || *parsed < 0) throw std::invalid_argument("not a delay: " + number);
        options.cancelAfterMilliseconds = *parsed;
      } else if (arg == "--trace") {
        options.trace = true;
      } else if (arg.starts_with("--") || !options.scriptPath.empty()) {
        usage();
        return std::nullopt;
      } else {
        options.scriptPath = arg;
      }
    } catch (const std::invalid_argument& e) {
      std::cerr << "zelrun: " << e.what() << "\n";
      usage();
      return std::nullopt;
    }
  }
  if (options.scriptPath.empty()) {
    usage();
    return std::nullopt;
  }
  if (!std::ifstream(options.scriptPath, std::ios::binary)) {
    std::cerr << "zelrun: cannot read " << options.scriptPath << "\n";
    return std::nullopt;
  }
  return options;
}

int runPrepared(Platform platform, RunnerOptions& options, PreparedRun prepared) {
  ScriptedUserInterface ui(std::cerr);
  ui.answers = std::move(options.answers);
  ScriptedDialogWindows dialogs;
  dialogs.answers = std::move(options.dialogAnswers);
  platform.ui = &ui;
  platform.dialogWindows = &dialogs;

  std::string commandLine = "zelrun";
  for (const auto& argument : options.engineArguments) commandLine += " " + quoteArgument(argument);
  ScriptedStartup startup(commandLine, options.engineArguments, std::move(prepared));

  RunObserver observer;
  if (options.trace)
    observer.traceStatement = [](const Engine& e) {
      std::cerr << "exec " << e.run.position << " " << e.command() << "\n";
    };
  observer.unbuiltCommand = [](const Engine& e) {
    std::cerr << "not built yet: " << e.run.position << " " << e.command() << "\n";
  };
  DelayedCancel cancel;
  if (options.cancelAfterMilliseconds)
    observer.runStarting = [&](Engine& engine) {
      cancel.start(engine, *options.cancelAfterMilliseconds);
    };
  observer.runEnded = [&options, &cancel](const Engine& engine, const RunResult& result) {
    cancel.stop();
    if (!result.validation.ok())
      std::cerr << "validation: " << result.validation.result << ": " << result.validation.message
                << "\n";
    for (const auto& variable : engine.store.snapshot())
      std::cout << variable.name << "=" << escapeForLog(variable.value) << "\n";
    if (options.printProperties) {
      printProperties("[pending rows]", engine.changes.pendingRows);
      printProperties("[recorded properties]", engine.changes.recordedProperties);
    }
    // A run that ended in a script error never reaches the installer.
    if (result.end != RunEnd::Error) editPackageAsApplied(engine);
  };
  return runEngine(platform, startup, observer);
}

}  // namespace kx
