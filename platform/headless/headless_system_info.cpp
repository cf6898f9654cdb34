#include "platform/headless/headless_system_info.h"

#include <ctime>

namespace kx {

std::string HeadlessSystemInfo::shortDate() {
  const std::time_t now = std::time(nullptr);
  char text[32];
  std::strftime(text, sizeof text, "%m/%d/%Y", std::localtime(&now));
  return text;
}

std::string HeadlessSystemInfo::longTime() {
  const std::time_t now = std::time(nullptr);
  char text[32];
  std::strftime(text, sizeof text, "%I:%M:%S %p", std::localtime(&now));
  return text[0] == '0' ? std::string(text + 1) : std::string(text);
}

std::string HeadlessSystemInfo::temporaryFolder() {
  return Sandbox::windowsPath(sandbox_.folder()) + "\\temp\\";
}

std::string HeadlessSystemInfo::engineVersion() {
  return std::to_string(KX_VERSION_MAJOR) + "." + std::to_string(KX_VERSION_MINOR) + "." +
         std::to_string(KX_VERSION_PATCH) + ".0";
}

std::string HeadlessSystemInfo::specialFolder(int csidl) {
  switch (csidl) {
    case 0x00:
      return "C:\\Users\\user\\Desktop";
    case 0x05:
      return "C:\\Users\\user\\Documents";
    case 0x19:
      return "C:\\Users\\Public\\Desktop";
    case 0x26:
      return "C:\\Program Files";
    case 0x2B:
      return "C:\\Program Files\\Common Files";
    default:
      return {};
  }
}

// Not built yet.
WindowsVersion HeadlessSystemInfo::windowsVersion() {
  return {};
}
uint64_t HeadlessSystemInfo::totalPhysicalMemory() {
  return 0;
}
ScreenFacts HeadlessSystemInfo::screen() {
  return {};
}
std::string HeadlessSystemInfo::languageName(uint32_t) {
  return {};
}
std::string HeadlessSystemInfo::userName() {
  return {};
}
std::string HeadlessSystemInfo::userDomain() {
  return {};
}
std::string HeadlessSystemInfo::computerName() {
  return {};
}
bool HeadlessSystemInfo::isMemberOf(UserGroup) {
  return false;
}
std::string HeadlessSystemInfo::systemFolder() {
  return {};
}
std::string HeadlessSystemInfo::windowsFolder() {
  return {};
}
std::string HeadlessSystemInfo::firstCdromDrive() {
  return {};
}
std::string HeadlessSystemInfo::expandEnvironment(const std::string& text) {
  return text;
}

}  // namespace kx
