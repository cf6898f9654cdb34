#include "startup/engine_commands.h"

#include "dialogs/components.h"
#include "dialogs/display_dialog.h"
#include "installer/apply_changes.h"
#include "installer/bootstrap.h"
#include "installer/recording_commands.h"
#include "installer/product_registration.h"
#include "media/archive_extraction.h"
#include "media/web_media.h"
#include "plugins/plugin_host.h"
#include "system/file_queries.h"
#include "system/iis_commands.h"
#include "system/library_registration.h"
#include "system/machine_queries.h"
#include "system/program_commands.h"
#include "system/service_commands.h"

namespace kx {

const CommandTable& engineCommands() {
  static const CommandTable table = [] {
    CommandTable commands;
    commands.add(dialogWindowCommands());
    commands.add(componentCommands());
    commands.add(recordingCommands());
    commands.add(applyCommands());
    commands.add(instanceCommands());
    commands.add(programCommands());
    commands.add(serviceCommands());
    commands.add(iisCommands());
    commands.add(libraryRegistrationCommands());
    commands.add(fileQueryCommands());
    commands.add(machineQueryCommands());
    commands.add(archiveCommands());
    commands.add(webMediaCommands());
    commands.hooks = {.detectMaintenance = bootstrap,
                      .uninstallLink = uninstallLink,
                      .pluginStatement = runPluginStatement};
    return commands;
  }();
  return table;
}

}  // namespace kx
