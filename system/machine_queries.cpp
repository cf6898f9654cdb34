#include "system/machine_queries.h"

#include <array>
#include <cstdint>
#include <optional>

#include "base/values.h"
#include "interpreter/engine.h"
#include "system/iis_commands.h"

namespace kx {
namespace {

constexpr std::string_view kNoKey = "NO$KEY";
constexpr std::string_view kNoValue = "NO$VALUE";
constexpr std::string_view kUnknownType = "UNKNOWN$TYPE";
constexpr std::string_view kBinaryValue = "BINARY$VALUE";
constexpr std::string_view kReadError = "READ$ERROR";

constexpr std::string_view kWindowsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr std::string_view kWindowsNtKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr std::string_view kIisKey = "SOFTWARE\\Microsoft\\InetStp";

// A 32-bit number as the registry stores it: four bytes, little-endian.
std::optional<uint32_t> dwordOf(const RegistryValue& value) {
  if (value.type != registry_types::kDword || value.data.size() != 4) return std::nullopt;
  uint32_t bits = 0;
  for (int i = 3; i >= 0; --i) bits = (bits << 8) | static_cast<uint8_t>(value.data[i]);
  return bits;
}

std::string registryText(Registry& registry, RegistryRoot root, std::string_view key,
                         const std::string& valueName) {
  return registry.readString(root, std::string(key), valueName).value_or("");
}

// A value as "Check Registry" answers it: its text, or one of the status words.
std::string registryAnswer(Registry& registry, int32_t rootNumber, const std::string& key,
                           const std::string& valueName) {
  // Roots outside 0-4 name no key at all.
  if (rootNumber < 0 || rootNumber > 4) return std::string(kNoKey);
  const RegistryRead read =
      registry.readValue(static_cast<RegistryRoot>(rootNumber), key, valueName);
  switch (read.status) {
    case RegistryReadStatus::NoKey:
      return std::string(kNoKey);
    case RegistryReadStatus::NoValue:
      return std::string(kNoValue);
    case RegistryReadStatus::ReadError:
      return std::string(kReadError);
    case RegistryReadStatus::Found:
      break;
  }
  const RegistryValue& value = read.value;
  switch (value.type) {
    case registry_types::kString:
    case registry_types::kExpandString:
      return value.data;  // an expandable string stays unexpanded
    case registry_types::kDword: {
      const auto bits = dwordOf(value);
      return bits ? std::to_string(static_cast<int32_t>(*bits)) : std::string(kReadError);
    }
    case registry_types::kBinary:
      return std::string(kBinaryValue);
    default:
      return std::string(kUnknownType);
  }
}

bool isStatusWord(std::string_view answer) {
  for (std::string_view word : {kNoKey, kNoValue, kUnknownType, kBinaryValue, kReadError})
    if (answer == word) return true;
  return false;
}

std::string registryQuery(Engine& engine) {
  return registryAnswer(*engine.platform.registry, parseInteger(engine.parameter(2)),
                        engine.expandedPath(3), engine.expandedPath(4));
}

void commandReadRegistry(Engine& engine) {
  std::string answer = registryQuery(engine);
  if (isStatusWord(answer)) answer.clear();
  engine.writeResult(engine.parameter(1), answer);
}

void commandCheckRegistry(Engine& engine) {
  engine.writeResult(engine.parameter(1), registryQuery(engine));
}

// The version the engine goes by: Windows 98 Second Edition reports 4.10 with a larger build.
struct EffectiveVersion {
  bool ntFamily = true;
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t servicePack = 0;
};

EffectiveVersion effectiveVersion(const WindowsVersion& reported) {
  EffectiveVersion version{reported.ntFamily, reported.major, reported.minor, 0};
  if (!reported.ntFamily && reported.major == 4 && reported.minor == 10 &&
      reported.build > 67766445)
    version.minor = 11;
  constexpr std::string_view kServicePack = "Service Pack ";
  if (reported.servicePack.starts_with(kServicePack)) {
    const char last = reported.servicePack.back();
    if (last >= '0' && last <= '9') version.servicePack = static_cast<uint32_t>(last - '0');
  }
  return version;
}

bool versionAtLeast(const EffectiveVersion& version, uint32_t major, uint32_t minor) {
  return version.major > major || (version.major == major && version.minor >= minor);
}

constexpr std::array<uint32_t, 7> kMemoryMegabytes = {32, 64, 128, 256, 512, 1024, 2048};
constexpr std::array<std::pair<int, int>, 5> kScreenSizes = {
    {{800, 600}, {1024, 768}, {1280, 1024}, {1600, 1200}, {1920, 1440}}};
constexpr std::array<int, 4> kColourDepths = {8, 16, 24, 32};
constexpr std::array<std::pair<uint32_t, uint32_t>, 8> kWindowsVersions = {
    {{4, 0}, {4, 10}, {4, 11}, {4, 90}, {4, 0}, {5, 0}, {5, 1}, {5, 2}}};
constexpr std::array<FileVersion, 16> kBrowserVersions = {{
    {6, 0, 2800, 1106},
    {6, 0, 2600, 0},
    {5, 5, 4807, 2300},
    {5, 5, 4522, 1800},
    {5, 5, 4134, 100},
    {5, 0, 3502, 5400},
    {5, 0, 3314, 2100},
    {5, 0, 2919, 6307},
    {5, 0, 2014, 213},
    {4, 72, 3612, 1707},
    {4, 72, 3110, 3},
    {4, 72, 2106, 7},
    {4, 71, 1712, 5},
    {4, 70, 1300, 0},
    {4, 70, 1215, 0},
    {4, 70, 1155, 0},
}};
// IIS 6.0, 5.1, 5.0, 4.0, 3.0, 2.0 as major * 10 + minor.
constexpr std::array<uint32_t, 6> kIisVersions = {60, 51, 50, 40, 30, 20};

std::optional<uint32_t> registryDword(Registry& registry, RegistryRoot root, std::string_view key,
                                      const std::string& valueName) {
  const RegistryRead read = registry.readValue(root, std::string(key), valueName);
  if (read.status != RegistryReadStatus::Found) return std::nullopt;
  return dwordOf(read.value);
}

std::string systemFile(SystemInfo& system, std::string_view name) {
  return withTrailingBackslash(system.systemFolder()) + std::string(name);
}

std::string userGroupWord(Engine& engine, const EffectiveVersion& version) {
  if (!version.ntFamily) return "ADMIN";
  SystemInfo& system = *engine.platform.system;
  if (system.isMemberOf(UserGroup::Administrators)) return "ADMIN";
  if (system.isMemberOf(UserGroup::PowerUsers)) return "POWER";
  if (system.isMemberOf(UserGroup::Users)) return "USER";
  if (system.isMemberOf(UserGroup::Guests)) return "GUEST";
  return "ERROR";
}

std::string systemSetting(Engine& engine, int32_t number) {
  SystemInfo& system = *engine.platform.system;
  Registry& registry = *engine.platform.registry;
  const EffectiveVersion version = effectiveVersion(system.windowsVersion());
  if (number == 0) return truthText(!version.ntFamily || system.isAdministrator());
  if (number >= 1 && number <= 7) {
    const uint64_t megabytes = kMemoryMegabytes[number - 1] - 2;
    return truthText(system.totalPhysicalMemory() >= (megabytes << 20));
  }
  if (number >= 8 && number <= 12) {
    const ScreenFacts screen = system.screen();
    const auto [width, height] = kScreenSizes[number - 8];
    return truthText((screen.width >= width && screen.height >= height) ||
                     (screen.height >= width && screen.width >= height));
  }
  if (number >= 13 && number <= 16)
    return truthText(system.screen().bitsPerPixel >= kColourDepths[number - 13]);
  if (number == 17) return truthText(!version.ntFamily);
  if (number == 18) return truthText(version.ntFamily);
  if (number >= 19 && number <= 26) {
    const auto [major, minor] = kWindowsVersions[number - 19];
    return truthText(versionAtLeast(version, major, minor));
  }
  if (number >= 27 && number <= 32)
    return truthText(version.servicePack >= static_cast<uint32_t>(number - 26));
  if (number == 33 || number == 34) {
    const auto information =
        engine.platform.files->versionInformation(systemFile(system, "winver.exe"));
    const uint32_t translation =
        information && information->firstTranslation ? *information->firstTranslation : 0;
    return number == 33 ? std::to_string(translation) : system.languageName(translation & 0xFFFF);
  }
  if (number == 35 || number == 36) {
    const std::string_view key = version.ntFamily ? kWindowsNtKey : kWindowsKey;
    return registryText(registry, RegistryRoot::LocalMachine, key,
                        number == 35 ? "RegisteredOwner" : "RegisteredOrganization");
  }
  if (number >= 37 && number <= 52) {
    const auto information =
        engine.platform.files->versionInformation(systemFile(system, "shdocvw.dll"));
    const FileVersion browser = information ? information->fileVersion : FileVersion{};
    return truthText(browser >= kBrowserVersions[number - 37]);
  }
  if (number >= 53 && number <= 58) {
    const auto major = registryDword(registry, RegistryRoot::LocalMachine, kIisKey, "MajorVersion");
    const auto minor = registryDword(registry, RegistryRoot::LocalMachine, kIisKey, "MinorVersion");
    if (!major || !minor) return std::string(kFalse);
    return truthText(uint64_t{*major} * 10 + *minor >= kIisVersions[number - 53]);
  }
  if (number == 59) return iisAnonymousUser(engine);
  if (number == 60) return system.userName();
  if (number == 61) return system.computerName();
  if (number == 62) return version.ntFamily ? system.userDomain() : std::string();
  if (number == 63) return userGroupWord(engine, version);
  if (number == 64) return std::to_string(system.screen().pixelsPerInch);
  return {};  // numbers outside 0-64 answer nothing
}

void commandGetSystemSettings(Engine& engine) {
  const int32_t number = parseInteger(engine.parameter(2));
  engine.writeResult(engine.parameter(1), systemSetting(engine, number));
}

// Shell folders by their CSIDL numbers: the user's own and the all-users one, -1 where the
// folder has no all-users form (the user's own is given then).
struct ShellFolder {
  int user;
  int allUsers;
};
constexpr int kProgramFiles = 0x26;
constexpr int kCommonFiles = 0x2B;

std::optional<ShellFolder> shellFolderOf(int32_t number) {
  switch (number) {
    case 0:
      return ShellFolder{0x20, -1};
    case 1:
      return ShellFolder{0x21, -1};
    case 2:
      return ShellFolder{0x05, -1};
    case 3:
      return ShellFolder{0x06, 0x1F};
    case 4:
      return ShellFolder{0x0D, 0x35};
    case 5:
      return ShellFolder{0x27, 0x36};
    case 6:
      return ShellFolder{0x0E, 0x37};
    case 7:
      return ShellFolder{0x13, -1};
    case 8:
      return ShellFolder{0x1B, -1};
    case 11:
      return ShellFolder{0x30, 0x2F};
    case 12:
      return ShellFolder{0x0B, 0x16};
    case 13:
      return ShellFolder{0x07, 0x18};
    case 14:
      return ShellFolder{0x02, 0x17};
    case 15:
      return ShellFolder{0x1A, 0x23};
    case 16:
      return ShellFolder{0x3B, -1};
    case 17:
      return ShellFolder{0x00, 0x19};
    case 18:
      return ShellFolder{0x14, -1};
    case 19:
      return ShellFolder{0x28, 0x3E};
    case 20:
      return ShellFolder{kProgramFiles, kCommonFiles};
    case 21:
      return ShellFolder{0x08, -1};
    case 22:
      return ShellFolder{0x09, -1};
    case 24:
      return ShellFolder{0x15, -1};
    default:
      return std::nullopt;
  }
}

std::string shellFolder(Engine& engine, int csidl) {
  std::string folder = engine.platform.system->specialFolder(csidl);
  if (!folder.empty()) return folder;
  Registry& registry = *engine.platform.registry;
  if (csidl == kProgramFiles)
    return registryText(registry, RegistryRoot::LocalMachine, kWindowsKey, "ProgramFilesDir");
  if (csidl == kCommonFiles)
    return registryText(registry, RegistryRoot::LocalMachine, kWindowsKey, "CommonFilesDir");
  return {};
}

// The first item of a virtual root's value ("path,,flags").
std::string beforeFirstComma(const std::string& text) {
  return text.substr(0, text.find(','));
}

std::string folderLocation(Engine& engine, int32_t number, bool allUsers) {
  SystemInfo& system = *engine.platform.system;
  Registry& registry = *engine.platform.registry;
  if (const auto shell = shellFolderOf(number))
    return shellFolder(engine, allUsers && shell->allUsers >= 0 ? shell->allUsers : shell->user);
  switch (number) {
    case 9:
      return registryText(registry, RegistryRoot::LocalMachine,
                          std::string(kWindowsKey) + "\\Setup", "BootDir");
    case 10:
      return system.firstCdromDrive();
    case 23:
      return system.systemFolder();
    case 25:
      return system.windowsFolder();
    case 26: {
      const std::string appData =
          registryText(registry, RegistryRoot::CurrentUser,
                       std::string(kWindowsKey) + "\\Explorer\\Shell Folders", "AppData");
      if (appData.empty()) return {};
      return withTrailingBackslash(appData) + "Microsoft\\Internet Explorer\\Quick Launch\\";
    }
    case 27: {
      std::string root = registryText(registry, RegistryRoot::LocalMachine, kIisKey, "PathWWWRoot");
      constexpr std::string_view kVirtualRoots =
          "SYSTEM\\CurrentControlSet\\Services\\W3SVC\\Parameters\\Virtual Roots";
      if (root.empty())
        root = beforeFirstComma(
            registryText(registry, RegistryRoot::LocalMachine, kVirtualRoots, "/"));
      if (root.empty())
        root = beforeFirstComma(
            registryText(registry, RegistryRoot::LocalMachine, kVirtualRoots, "/,"));
      return root;
    }
    default:
      return {};  // numbers outside 0-27 name no folder
  }
}

void commandGetFolderLocation(Engine& engine) {
  const int32_t number = parseInteger(engine.parameter(2));
  const std::string folder = folderLocation(engine, number, isTrue(engine.parameter(3)));
  engine.writeResult(engine.parameter(1), folder.empty() ? folder : withTrailingBackslash(folder));
}

void commandGetEnvironment(Engine& engine) {
  const std::string name = engine.expanded(1);
  const std::string value = engine.platform.system->expandEnvironment("%" + name + "%");
  engine.store.defineAndSet(namedVariable(engine.parameter(2)), value, engine.writeContext());
}

constexpr CommandDescriptor kMachineQueryCommands[] = {
    {"Read Registry", commandReadRegistry, {.resultLines = {1}}},
    {"Check Registry", commandCheckRegistry},
    {"Get System Settings", commandGetSystemSettings, {.resultLines = {1}}},
    {"Get Folder Location", commandGetFolderLocation, {.resultLines = {1}}},
    {"Get Environment", commandGetEnvironment, {.resultLines = {2}}},
};

}  // namespace

std::span<const CommandDescriptor> machineQueryCommands() {
  return kMachineQueryCommands;
}

}  // namespace kx
