#include "platform/headless/headless_installation.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "base/values.h"
#include "platform/scripted/log_text.h"

namespace kx {
namespace {

constexpr uint32_t kUserExit = 1602;           // ERROR_INSTALL_USEREXIT
constexpr int32_t kCancelAnswer = 2;           // IDCANCEL
constexpr int32_t kUnknownState = -1;          // INSTALLSTATE_UNKNOWN
constexpr std::string_view kEntryEnd = "$ex";  // closes an entry of the hand-over file

std::string hexText(uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

bool succeeded(uint32_t code) {
  return code == installer_codes::kSuccess || code == installer_codes::kRebootRequired ||
         code == installer_codes::kRebootInitiated;
}

std::optional<uint32_t> messageType(std::string_view text) {
  if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
  uint32_t type = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), type, 16);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return type;
}

}  // namespace

std::string readInstallerMessages(std::string_view text,
                                  std::vector<ScriptedInstallerMessage>& messages) {
  std::vector<ScriptedInstallerMessage> read;
  const Lines lines = splitLines(text);
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (line.empty()) continue;
    const size_t blank = line.find(' ');
    const auto type = messageType(line.substr(0, blank));
    if (!type) return "line " + std::to_string(i + 1) + ": not a message type";
    const std::string_view rest = blank == std::string_view::npos ? "" : line.substr(blank + 1);
    read.push_back({*type, replaceAll(rest, "$NEWLINE$", "\r\n", false)});
  }
  messages = std::move(read);
  return "";
}

void HeadlessInstaller::markInstalled(const std::string& productCode,
                                      const std::string& packageCode) {
  installed_[upperAscii(productCode)] = packageCode;
}

int32_t HeadlessInstaller::productState(const std::string& productCode) {
  return installed_.contains(upperAscii(productCode)) ? installer_codes::kProductInstalled
                                                      : kUnknownState;
}

std::optional<std::string> HeadlessInstaller::productInfo(const std::string& productCode,
                                                          const std::string& property) {
  const auto found = installed_.find(upperAscii(productCode));
  if (found == installed_.end() || property != "PackageCode" || found->second.empty())
    return std::nullopt;
  return found->second;
}

void HeadlessInstaller::enableLog(uint32_t mode, const std::string& path, uint32_t attributes) {
  log_ << "Installer: log " << escapeForLog(path) << " mode " << hexText(mode, 1) << " attributes "
       << attributes << "\n";
}

void HeadlessInstaller::setMessageHandler(uint32_t filter, InstallerMessageHandler handler) {
  log_ << "Installer: handler filter " << hexText(filter, 1) << "\n";
  filter_ = filter;
  handler_ = std::move(handler);
}

void HeadlessInstaller::addSource(const std::string& productCode, const std::string& user,
                                  const std::string& source) {
  log_ << "Installer: source " << escapeForLog(productCode) << " for " << escapeForLog(user) << ": "
       << escapeForLog(source) << "\n";
}

uint32_t HeadlessInstaller::installProduct(const std::string& package,
                                           const std::string& commandLine) {
  log_ << "Installer: install " << escapeForLog(package) << " | " << escapeForLog(commandLine)
       << "\n";
  const std::optional<PackageIdentity> identity = packages_.identity(package);
  const uint32_t code = runInstallation(identity);
  if (identity && succeeded(code) && !commandLine.starts_with("ADVERTISE=")) {
    markInstalled(identity->productCode, identity->packageCode);
    log_ << "Installer: " << escapeForLog(identity->productCode) << " installed with package "
         << escapeForLog(identity->packageCode) << "\n";
  }
  return code;
}

uint32_t HeadlessInstaller::applyPatch(const std::string& patch, const std::string& commandLine) {
  log_ << "Installer: patch " << escapeForLog(patch) << " | " << escapeForLog(commandLine) << "\n";
  return runInstallation(std::nullopt);
}

PackageActionResult HeadlessInstaller::runPackageAction(
    const std::string& package, const std::vector<std::pair<std::string, std::string>>& properties,
    const std::string& action) {
  log_ << "Installer: action " << escapeForLog(action) << " on " << escapeForLog(package) << ":";
  bool removal = false;
  for (const auto& [name, value] : properties) {
    log_ << " " << escapeForLog(name) << "=" << escapeForLog(value);
    if (name == "REMOVE" && value == "ALL") removal = true;
  }
  log_ << "\n";
  const std::optional<PackageIdentity> identity = packages_.identity(package);
  const uint32_t code = runInstallation(identity);
  if (identity && succeeded(code) && removal && installed_.erase(upperAscii(identity->productCode)))
    log_ << "Installer: " << escapeForLog(identity->productCode) << " removed\n";
  if (code == installer_codes::kRebootRequired || code == installer_codes::kRebootInitiated)
    return {installer_codes::kSuccess, true};
  return {code, false};
}

uint32_t HeadlessInstaller::runInstallation(const std::optional<PackageIdentity>& identity) {
  if (identity) logHandOver(identity->productCode);
  uint32_t code = result;
  for (const ScriptedInstallerMessage& message : messages) {
    const uint32_t kind = message.type >> 24;
    const std::string type = hexText(message.type, 8);
    if (!handler_ || kind >= 32 || !(filter_ & (1u << kind))) {
      log_ << "Installer: message " << type << " not sent\n";
      continue;
    }
    const int32_t answer = handler_(message.type, message.text);
    log_ << "Installer: message " << type << " answered " << answer << "\n";
    if (answer == kCancelAnswer) {
      code = kUserExit;
      break;
    }
  }
  log_ << "Installer: result " << code << "\n";
  return code;
}

// Each entry as NAME=VALUE, the lines of a value joined by CR LF; an entry the file ends in
// before its "$ex" is shown as far as it goes.
void HeadlessInstaller::logHandOver(const std::string& productCode) {
  std::ifstream in(sandbox_.hostPath(system_.temporaryFolder() + productCode), std::ios::binary);
  if (!in) return;
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const Lines lines = splitLines(text);
  for (auto line = lines.begin(); line != lines.end();) {
    const std::string& name = *line++;
    std::string value;
    for (bool first = true; line != lines.end() && *line != kEntryEnd; first = false)
      value += (first ? "" : "\r\n") + *line++;
    if (line != lines.end()) ++line;
    log_ << "Installer: hand-over " << escapeForLog(name) << "=" << escapeForLog(value) << "\n";
  }
}

}  // namespace kx
