#include "platform/headless/headless_system_info.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <random>

#include "base/values.h"

extern char** environ;

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
  return sandbox_.windowsPath(sandbox_.folder()) + "\\temp\\";
}

std::string HeadlessSystemInfo::engineVersion() {
  return std::to_string(KX_VERSION_MAJOR) + "." + std::to_string(KX_VERSION_MINOR) + "." +
         std::to_string(KX_VERSION_PATCH) + ".0";
}

// Shell folders as Windows 7 gives them to the account "user".
std::string HeadlessSystemInfo::specialFolder(int csidl) {
  static const std::pair<int, const char*> kFolders[] = {
      {0x00, "C:\\Users\\user\\Desktop"},
      {0x02, "C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"},
      {0x05, "C:\\Users\\user\\Documents"},
      {0x06, "C:\\Users\\user\\Favorites"},
      {0x07,
       "C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup"},
      {0x08, "C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Recent"},
      {0x09, "C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\SendTo"},
      {0x0B, "C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu"},
      {0x0D, "C:\\Users\\user\\Music"},
      {0x0E, "C:\\Users\\user\\Videos"},
      {0x13, "C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Network Shortcuts"},
      {0x14, "C:\\Windows\\Fonts"},
      {0x15, "C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Templates"},
      {0x16, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu"},
      {0x17, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"},
      {0x18, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Startup"},
      {0x19, "C:\\Users\\Public\\Desktop"},
      {0x1A, "C:\\Users\\user\\AppData\\Roaming"},
      {0x1B, "C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Printer Shortcuts"},
      {0x1F, "C:\\Users\\user\\Favorites"},
      {0x20, "C:\\Users\\user\\AppData\\Local\\Microsoft\\Windows\\Temporary Internet Files"},
      {0x21, "C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Cookies"},
      {0x23, "C:\\ProgramData"},
      {0x26, "C:\\Program Files"},
      {0x27, "C:\\Users\\user\\Pictures"},
      {0x28, "C:\\Users\\user"},
      {0x2B, "C:\\Program Files\\Common Files"},
      {0x2F, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Administrative Tools"},
      {0x30,
       "C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\"
       "Administrative Tools"},
      {0x35, "C:\\Users\\Public\\Music"},
      {0x36, "C:\\Users\\Public\\Pictures"},
      {0x37, "C:\\Users\\Public\\Videos"},
      {0x3B, "C:\\Users\\user\\AppData\\Local\\Microsoft\\Windows\\Burn\\Burn"},
      {0x3E, "C:\\Users"},
  };
  for (const auto& [number, folder] : kFolders)
    if (number == csidl) return folder;
  return {};
}

WindowsVersion HeadlessSystemInfo::windowsVersion() {
  return {true, 6, 1, 7601, "Service Pack 1"};
}

uint64_t HeadlessSystemInfo::totalPhysicalMemory() {
  const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGE_SIZE);
  return pages > 0 && pageSize > 0 ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize)
                                   : 0;
}

ScreenFacts HeadlessSystemInfo::screen() {
  return {1024, 768, 32, 96};
}

// A few names of the system's language table; any other language reads as neutral.
std::string HeadlessSystemInfo::languageName(uint32_t languageId) {
  static const std::pair<uint32_t, const char*> kNames[] = {
      {0x0407, "German (Germany)"}, {0x0409, "English (United States)"},
      {0x040C, "French (France)"},  {0x0410, "Italian (Italy)"},
      {0x0411, "Japanese (Japan)"}, {0x0413, "Dutch (Netherlands)"},
      {0x0419, "Russian (Russia)"}, {0x0809, "English (United Kingdom)"},
      {0x0C0A, "Spanish (Spain)"},
  };
  for (const auto& [id, name] : kNames)
    if (id == languageId) return name;
  return "Language Neutral";
}

std::string HeadlessSystemInfo::userName() {
  const char* name = std::getenv("USER");
  if (!name || !*name) name = std::getenv("LOGNAME");
  return name ? sandbox_.codePage().fromUtf8(name) : std::string();
}

// A local account's domain is its computer.
std::string HeadlessSystemInfo::userDomain() {
  return computerName();
}

// The host name as the system spells a computer name: up to the first dot, in upper case, at
// most 15 characters.
std::string HeadlessSystemInfo::computerName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  std::string host = name;
  host = host.substr(0, std::min(host.find('.'), size_t{15}));
  return upperAscii(sandbox_.codePage().fromUtf8(host));
}

bool HeadlessSystemInfo::isMemberOf(UserGroup group) {
  return group == UserGroup::Administrators || group == UserGroup::Users;
}

std::string HeadlessSystemInfo::systemFolder() {
  return Sandbox::kSystemFolder;
}

std::string HeadlessSystemInfo::windowsFolder() {
  return Sandbox::kWindowsFolder;
}

std::string HeadlessSystemInfo::firstCdromDrive() {
  return {};
}

namespace {

// The host's value of an environment variable, its name matched ignoring case as the system
// does; nullopt when it is not set.
std::optional<std::string> environmentValue(const std::string& name) {
  if (name.empty()) return std::nullopt;
  if (const char* value = std::getenv(name.c_str())) return std::string(value);
  for (char** entry = environ; entry && *entry; ++entry) {
    const std::string_view text = *entry;
    const size_t equals = text.find('=');
    if (equals != std::string_view::npos && equalsIgnoringAsciiCase(text.substr(0, equals), name))
      return std::string(text.substr(equals + 1));
  }
  return std::nullopt;
}

}  // namespace

// As the system expands: "%NAME%" of a set variable becomes its value; any other "%...%" stays
// and the text goes on after its second "%"; a lone "%" stays.
std::string HeadlessSystemInfo::expandEnvironment(const std::string& text) {
  const CodePage& codePage = sandbox_.codePage();
  std::string out;
  size_t at = 0;
  while (at < text.size()) {
    const size_t open = text.find('%', at);
    const size_t close = open == std::string::npos ? open : text.find('%', open + 1);
    if (close == std::string::npos) break;
    out.append(text, at, open - at);
    const auto value = environmentValue(codePage.toUtf8(text.substr(open + 1, close - open - 1)));
    out += value ? codePage.fromUtf8(*value) : text.substr(open, close - open + 1);
    at = close + 1;
  }
  out.append(text, std::min(at, text.size()));
  return out;
}

// A random GUID of version 4.
std::string HeadlessSystemInfo::newGuid() {
  std::random_device source;
  uint8_t bytes[16];
  for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(source());
  bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40);
  bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);
  return registryGuidText(bytes);
}

std::string HeadlessSystemInfo::errorMessage(uint32_t code) {
  static const std::pair<uint32_t, const char*> texts[] = {
      {1601, "The Windows Installer service could not be accessed."},
      {1602, "The user cancelled the installation."},
      {1603, "A fatal error occurred during the installation."},
      {1605, "This action is only valid for installed products."},
      {1619, "The installation package could not be opened."},
      {1620, "The installation package is not a valid package."},
      {1638, "Another version of this product is already installed."},
  };
  for (const auto& [known, text] : texts)
    if (known == code) return std::string(text) + "\r\n";
  return "Windows error " + std::to_string(code) + ".\r\n";
}

}  // namespace kx
