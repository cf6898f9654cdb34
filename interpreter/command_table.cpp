#include <array>
#include <unordered_map>
#include <utility>

#include "dialogs/display_dialog.h"
#include "interpreter/commands.h"
#include "interpreter/interpreter.h"
#include "interpreter/termination.h"
#include "interpreter/value_commands.h"
#include "media/archive_extraction.h"

namespace kx {
namespace {

using Entry = std::pair<std::string_view, CommandFunction>;

// Every built-in command of the script language. Commands whose subsystem is not built yet run
// as statements that do nothing.
constexpr auto kCommands = std::to_array<Entry>({
    // Flow control.
    {"Label", commandNothing},
    {"GoTo Label", commandGoToLabel},
    {"If", commandIf},
    {"Else If", commandElseIf},
    {"Else", commandElse},
    {"End", commandNothing},
    {"Wizard Loop", commandWizardLoop},
    {"Comment", commandNothing},
    {"Ignore", commandNothing},
    // Values.
    {"Set Variable", commandSetVariable},
    {"Mathematics", commandMathematics},
    {"Parse String", commandParseString},
    {"Replace String", commandReplaceString},
    {"Convert Path", commandConvertPath},
    {"Extract Path", commandExtractPath},
    {"Get Temporary File", commandGetTemporaryFile},
    {"MessageBox", commandMessageBox},
    // Termination and reboot.
    {"Terminate Install", commandTerminateInstall},
    {"Terminate with Exit Code", commandTerminateWithExitCode},
    {"Reboot Computer", commandRebootComputer},
    {"Reboot and Resume", commandRebootAndResume},
    // Dialogs.
    {"Display Dialog", commandDisplayDialog},
    {"Hide Dialog", commandHideDialog},
    // Components.
    {"Define Component", commandNothing},
    {"Get Component State", commandNothing},
    {"Set Component State", commandNothing},
    {"Set Component Space", commandNothing},
    {"Load Feature Selections", commandNothing},
    {"Save Feature Selections", commandNothing},
    // Recording: files, folders, shortcuts.
    {"Install Files", commandNothing},
    {"Copy/Move Local Files", commandNothing},
    {"Delete Files", commandNothing},
    {"Create Folder", commandNothing},
    {"Create Shortcut", commandNothing},
    {"Advertised Shortcut", commandNothing},
    // Recording: registry, INI, environment, file types.
    {"Write Registry", commandNothing},
    {"Delete Registry", commandNothing},
    {"Edit INI File", commandNothing},
    {"Set Environment", commandNothing},
    {"Create File Type", commandNothing},
    {"Advertised File Type", commandNothing},
    // Recording: services, ODBC, assemblies, native images.
    {"Install Service", commandNothing},
    {"Control Service", commandNothing},
    {"Install ODBC Driver", commandNothing},
    {"Create ODBC DSN", commandNothing},
    {"Install Assembly", commandNothing},
    {"Generate Native Images", commandNothing},
    // Apply.
    {"Apply Changes", commandNothing},
    {"Apply Patch", commandNothing},
    {"Transform Instance", commandNothing},
    // Programs.
    {"Run Program", commandNothing},
    {"Run Program As", commandNothing},
    {"Run Light Mode Setup", commandNothing},
    {"Terminate Program", commandNothing},
    // Files.
    {"Does File/Folder Exist", commandNothing},
    {"Find All Files", commandNothing},
    {"Get File Version", commandNothing},
    {"Check File Version", commandNothing},
    {"Check Disk Space", commandNothing},
    {"Read from Text File", commandNothing},
    {"Write to Text File", commandNothing},
    {"Get INI File Settings", commandNothing},
    // Registry and system queries.
    {"Read Registry", commandNothing},
    {"Check Registry", commandNothing},
    {"Get System Settings", commandNothing},
    {"Get Folder Location", commandNothing},
    {"Get Environment", commandNothing},
    {"Is MSI Setup Installed", commandNothing},
    // Processes, services, shares, access control.
    {"Check Process", commandNothing},
    {"Check Service", commandNothing},
    {"Create Share", commandNothing},
    {"Delete Share", commandNothing},
    {"Set Access Control", commandNothing},
    // IIS.
    {"Create IIS Site", commandNothing},
    {"Delete IIS Site", commandNothing},
    {"Control IIS Site", commandNothing},
    {"Create Virtual Folder", commandNothing},
    {"Delete Virtual Folder", commandNothing},
    {"Get IIS Property", commandNothing},
    {"Set IIS Property", commandNothing},
    {"Get IIS Site Index", commandNothing},
    {"IIS Anonymous User", commandNothing},
    // Library registration, media, archives.
    {"Register Library", commandNothing},
    {"Web Media Block", commandNothing},
    {"Extract 7Zip Archive", commandExtract7ZipArchive},
});

}  // namespace

CommandFunction findCommand(std::string_view name) {
  static const std::unordered_map<std::string_view, CommandFunction> byName(kCommands.begin(),
                                                                           kCommands.end());
  const auto found = byName.find(name);
  return found == byName.end() ? nullptr : found->second;
}

}  // namespace kx
