#include "startup/command_line.h"

#include "base/values.h"

namespace kx {
namespace {

std::string lowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// The first argument that holds one of the markers anywhere, ignoring letter case, without its
// first three characters.
bool firstWithMarker(const std::vector<std::string>& arguments,
                     std::initializer_list<std::string_view> markers, std::string& value) {
  for (const auto& argument : arguments) {
    const std::string upper = upperAscii(argument);
    for (std::string_view marker : markers) {
      if (upper.find(upperAscii(marker)) == std::string::npos) continue;
      value = argument.size() > 3 ? argument.substr(3) : std::string();
      return true;
    }
  }
  return false;
}

}  // namespace

std::string argumentsText(const std::string& commandLine) {
  if (commandLine.starts_with('"')) {
    const size_t close = commandLine.find('"', 1);
    if (close == std::string::npos) return {};
    return close + 2 <= commandLine.size() ? commandLine.substr(close + 2) : std::string();
  }
  const size_t blank = commandLine.find(' ');
  return blank == std::string::npos ? std::string() : commandLine.substr(blank + 1);
}

void readCommandLine(const std::string& commandLine, const std::vector<std::string>& arguments,
                     StartOptions& options) {
  options.commandLine = argumentsText(commandLine);
  for (const auto& argument : arguments)
    if (equalsIgnoringAsciiCase(argument, "/s") || equalsIgnoringAsciiCase(argument, "-s"))
      options.silent = true;

  std::string value;
  if (firstWithMarker(arguments, {"/m="}, value)) {
    const std::string package = lowerAscii(value);
    options.sfxPath = folderPart(package);
    options.sfxFile = fileNamePart(package);
  }
  if (firstWithMarker(arguments, {"/l=", "-l="}, value)) options.logFile = lowerAscii(value);
  if (firstWithMarker(arguments, {"/p=", "-p="}, value)) options.sourcesFolder = lowerAscii(value);
  if (firstWithMarker(arguments, {"/k=", "-k="}, value)) options.archivePassword = value;

  for (const auto& argument : arguments) {
    if (argument.starts_with('/') || argument.starts_with('-')) continue;
    const size_t eq = argument.find('=');
    if (eq == std::string::npos) continue;
    options.overrides.emplace_back(argument.substr(0, eq), argument.substr(eq + 1));
  }
}

}  // namespace kx
