// The recording commands: each switches its statement's rows of the installer package on and
// records some parameter lines as the statement's value properties; the installer makes the
// change when the changes are applied. "Delete Registry" and "Generate Native Images" act at
// once.
#include <array>
#include <optional>
#include <span>
#include <vector>

#include "base/values.h"
#include "installer/recording.h"
#include "installer/recording_commands.h"
#include "interpreter/engine.h"

namespace kx {
namespace {

constexpr int32_t kLocalCacheSourceMode = 2;

// The statement's media block, fetched into the local data cache first when the setup keeps
// one; the fetch ends the run itself when it fails.
void fetchStatementMedia(Engine& engine) {
  if (engine.script.sourceMode != kLocalCacheSourceMode) return;
  if (engine.script.mediaBlock(engine.run.position).empty()) return;
  if (const CommandFunction fetch = engine.commands.hooks.fetchStatementMedia) fetch(engine);
}

enum class MediaStep { None, Fetch };

bool isTranslated(const Engine& engine, size_t line) {
  const CommandDescriptor* descriptor = engine.commands.find(engine.command());
  if (!descriptor) return false;
  for (const TranslatableLine& translated : descriptor->translatable)
    if (translated.line == line) return true;
  return false;
}

// Records the statement with its value properties: value n comes from parameter line
// lines[n - 1]. The lines a command translates are read before its header is looked up, the
// others after the media step.
void recordStatement(Engine& engine, std::span<const uint8_t> lines, MediaStep media) {
  std::vector<std::optional<std::string>> translated;
  translated.reserve(lines.size());
  for (const uint8_t line : lines)
    translated.push_back(isTranslated(engine, line)
                             ? std::optional(expandedTranslated(engine, line))
                             : std::nullopt);
  const std::string header = engine.script.commandHeader(engine.run.position, false);
  engine.changes.recordProperty(enableProperty(header), "TRUE");
  if (media == MediaStep::Fetch) fetchStatementMedia(engine);
  for (size_t n = 1; n <= lines.size(); ++n) {
    const std::string value = translated[n - 1].value_or(engine.expanded(lines[n - 1]));
    engine.changes.recordProperty(valueProperty(header, static_cast<int>(n)),
                                  preparedValue(engine, value));
  }
}

template <const auto& lines, MediaStep media = MediaStep::None>
void recordingCommand(Engine& engine) {
  recordStatement(engine, lines, media);
}

constexpr std::array<uint8_t, 0> kNoValues{};
constexpr uint8_t kInstallFilesValues[] = {3};
constexpr uint8_t kFirstLineValue[] = {1};
constexpr uint8_t kCopyMoveValues[] = {1, 3};
constexpr uint8_t kWriteRegistryValues[] = {3, 4, 5};
constexpr uint8_t kEditIniValues[] = {1, 4, 5, 6};
constexpr uint8_t kSetEnvironmentValues[] = {2};
constexpr uint8_t kCreateFileTypeValues[] = {1, 2, 3, 4, 5};
constexpr uint8_t kInstallAssemblyValues[] = {3};
constexpr uint8_t kControlServiceValues[] = {1, 2};
constexpr uint8_t kInstallServiceValues[] = {2, 4, 5, 9, 10, 13, 14, 15, 6};
constexpr uint8_t kInstallOdbcDriverValues[] = {4};
constexpr uint8_t kShortcutValues[] = {3, 1, 5, 6};

// The package keeps a shortcut's name as a short and a long form: the first six characters
// without surrounding blanks and "~1", then "|" and the whole name.
std::string shortcutNameInPackage(std::string_view name) {
  std::string_view shortName = name.substr(0, 6);
  while (!shortName.empty() && static_cast<unsigned char>(shortName.front()) <= ' ')
    shortName.remove_prefix(1);
  while (!shortName.empty() && static_cast<unsigned char>(shortName.back()) <= ' ')
    shortName.remove_suffix(1);
  return std::string(shortName) + "~1|" + std::string(name);
}

// "Create Shortcut" and "Advertised Shortcut": the package decides whether it is advertised.
void commandShortcut(Engine& engine) {
  const std::string name = expandedTranslated(engine, 2);
  const std::string description = expandedTranslated(engine, 4);
  const std::string header = engine.script.commandHeader(engine.run.position, false);
  engine.changes.shortcutRenames.push_back(
      {valueProperty(header, 1), shortcutNameInPackage(name), description});
  recordStatement(engine, kShortcutValues, MediaStep::None);
}

void commandAdvertisedFileType(Engine& engine) {
  const std::string progId = expandedTranslated(engine, 1);
  const std::string description = expandedTranslated(engine, 3);
  const std::string header = engine.script.commandHeader(engine.run.position, false);
  engine.changes.progIdRenames.push_back({engine.parameter(1), progId, description});
  engine.changes.recordProperty(enableProperty(header), "TRUE");
}

constexpr RegistryRoot kDeleteRegistryRoots[] = {
    RegistryRoot::ClassesRoot, RegistryRoot::CurrentUser, RegistryRoot::LocalMachine,
    RegistryRoot::Users, RegistryRoot::CurrentConfig};

// Deletes at once; nothing it meets is an error.
void commandDeleteRegistry(Engine& engine) {
  const std::optional<int64_t> number = tryParseInteger(engine.parameter(1));
  if (!number) return;
  const RegistryRoot root = *number >= 0 && *number < std::ssize(kDeleteRegistryRoots)
                                ? kDeleteRegistryRoots[*number]
                                : RegistryRoot::CurrentUser;
  const std::string key = preparedValue(engine, engine.parameter(2));
  if (isTrue(engine.parameter(4)))
    engine.platform.registry->deleteKey(root, key);
  else
    engine.platform.registry->deleteValue(root, key, preparedValue(engine, engine.parameter(3)));
}

// Both generations of the native image generator, each when it is installed.
void commandGenerateNativeImages(Engine& engine) {
  const std::string assembly = "\"" + engine.expanded(1) + "\"";
  const std::string framework =
      withTrailingBackslash(engine.platform.system->windowsFolder()) + "Microsoft.NET\\Framework\\";
  // The interpreter thread waits itself, handling the windows' messages meanwhile.
  const auto generate = [&](const std::string& version, const std::string& parameters) {
    engine.platform.programs->runThroughShell({.file = framework + version + "\\ngen.exe",
                                               .parameters = parameters,
                                               .wait = true,
                                               .handleMessages = true});
  };
  generate("v1.1.4322", assembly);
  generate("v2.0.50727", "install " + assembly);
}

Fault deleteFilesRule(RuleContext& c) {
  if (isTrue(c.line(3)) || isTrue(c.line(4))) return std::nullopt;
  return "At least one delete mode must be selected";
}

Fault installFilesRule(RuleContext& c) {
  if (!c.line(3).empty()) return std::nullopt;
  return "A target folder must be specified for files that are being installed.\r"
         "The value $TARGETDIR$ represents the destination folder chosen by the user.";
}

constexpr TranslatableLines kShortcutText{{{2, 1}, {4, 2}}};
constexpr TranslatableLines kFileTypeText{{{1, 1}, {3, 2}}};

constexpr CommandDescriptor kRecordingCommands[] = {
    // Files, folders, shortcuts.
    {"Install Files",
     recordingCommand<kInstallFilesValues, MediaStep::Fetch>,
     {.check = installFilesRule}},
    {"Copy/Move Local Files", recordingCommand<kCopyMoveValues>},
    {"Delete Files", recordingCommand<kFirstLineValue>, {.check = deleteFilesRule}},
    {"Create Folder", recordingCommand<kFirstLineValue>},
    {"Create Shortcut", commandShortcut, {}, kShortcutText},
    {"Advertised Shortcut", commandShortcut, {}, kShortcutText},
    // Registry, INI, environment, file types.
    {"Write Registry", recordingCommand<kWriteRegistryValues>},
    {"Delete Registry", commandDeleteRegistry},
    {"Edit INI File", recordingCommand<kEditIniValues>},
    {"Set Environment", recordingCommand<kSetEnvironmentValues>},
    {"Create File Type", recordingCommand<kCreateFileTypeValues>, {}, kFileTypeText},
    {"Advertised File Type", commandAdvertisedFileType, {}, kFileTypeText},
    // Services, ODBC, assemblies, native images.
    {"Install Service",
     recordingCommand<kInstallServiceValues, MediaStep::Fetch>,
     {},
     {{{4, 1}, {5, 2}, {6, 3}, {9, 4}, {10, 5}}}},
    {"Control Service", recordingCommand<kControlServiceValues>, {}, {{{1, 1}}}},
    {"Install ODBC Driver", recordingCommand<kInstallOdbcDriverValues, MediaStep::Fetch>},
    {"Create ODBC DSN", recordingCommand<kNoValues>},
    {"Install Assembly", recordingCommand<kInstallAssemblyValues, MediaStep::Fetch>},
    {"Generate Native Images", commandGenerateNativeImages},
};

}  // namespace

std::span<const CommandDescriptor> recordingCommands() {
  return kRecordingCommands;
}

}  // namespace kx
