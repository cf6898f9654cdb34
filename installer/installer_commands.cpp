#include "installer/installer_commands.h"

#include "base/values.h"

namespace kx {
namespace {

Fault deleteFilesRule(RuleContext& c) {
  if (isTrue(c.line(3)) || isTrue(c.line(4))) return std::nullopt;
  return "At least one delete mode must be selected";
}

Fault installFilesRule(RuleContext& c) {
  if (!c.line(3).empty()) return std::nullopt;
  return "A target folder must be specified for files that are being installed.\r"
         "The value $TARGETDIR$ represents the destination folder chosen by the user.";
}

// Not built yet: validated, and dispatched as statements that do nothing.
constexpr CommandDescriptor kRecordingCommands[] = {
    // Files, folders, shortcuts.
    {"Install Files", nullptr, {.check = installFilesRule}},
    {"Copy/Move Local Files"},
    {"Delete Files", nullptr, {.check = deleteFilesRule}},
    {"Create Folder"},
    {"Create Shortcut"},
    {"Advertised Shortcut"},
    // Registry, INI, environment, file types.
    {"Write Registry"},
    {"Delete Registry"},
    {"Edit INI File"},
    {"Set Environment"},
    {"Create File Type"},
    {"Advertised File Type"},
    // Services, ODBC, assemblies, native images.
    {"Install Service"},
    {"Control Service"},
    {"Install ODBC Driver"},
    {"Create ODBC DSN"},
    {"Install Assembly"},
    {"Generate Native Images"},
};

constexpr CommandDescriptor kApplyCommands[] = {
    {"Apply Changes", nullptr, {.resultLines = {2}}},
    {"Apply Patch", nullptr, {.resultLines = {1}}},
    {"Transform Instance"},
    {"Is MSI Setup Installed", nullptr, {.resultLines = {2}, .resultRequired = true}},
};

}  // namespace

std::span<const CommandDescriptor> recordingCommands() {
  return kRecordingCommands;
}
std::span<const CommandDescriptor> applyCommands() {
  return kApplyCommands;
}

}  // namespace kx
