#pragma once
// The start of a zelrun run, on either platform: its command line, and the script file and
// support folder it prepared. There are no start-up windows to show.
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace kx {

class ScriptedStartup : public StartupServices {
 public:
  ScriptedStartup(std::string commandLine, std::vector<std::string> arguments, PreparedRun prepared)
      : commandLine_(std::move(commandLine)),
        arguments_(std::move(arguments)),
        prepared_(std::move(prepared)) {}
  std::string commandLine() override { return commandLine_; }
  std::vector<std::string> arguments() override { return arguments_; }
  void bindToFirstProcessor() override {}
  std::optional<FileVersion> commonControlsVersion() override { return std::nullopt; }
  void showStartWindows(const std::string&, const std::string&, const std::string&) override {}
  WindowHandle preparingWindow() override { return 0; }
  void setPreparingProgress(int, int, int) override {}
  void closeStartWindows() override {}
  std::optional<PreparedRun> preparedRun() override { return prepared_; }

 private:
  std::string commandLine_;
  std::vector<std::string> arguments_;
  PreparedRun prepared_;
};

}  // namespace kx
