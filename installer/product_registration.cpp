#include "installer/product_registration.h"

#include "base/script_error.h"
#include "base/values.h"
#include "installer/bootstrap.h"
#include "installer/installer_session.h"
#include "installer/product_instance.h"
#include "installer/recording.h"
#include "interpreter/engine.h"

namespace kx {
namespace {

constexpr std::string_view kAdvertisedFolder = "__ad";
constexpr std::string_view kArchiveLibrary = "zel.dll";

// Replaces the cached file, which may be a read-only copy of an earlier installation.
void copyIntoCache(FileSystem& files, const std::string& from, const std::string& to) {
  files.setNormalAttributes(to);
  files.copyFile(from, to);
}

void fillCacheFolder(Engine& engine, const std::string& cacheFolder) {
  FileSystem& files = *engine.platform.files;
  const std::string from = engineFolder(engine);
  const std::string setup = setupName(engine);
  files.createFolders(cacheFolder);
  if (engine.script.sourceMode == kLocalCacheSourceMode)
    files.writeFile(cacheFolder + currentValue(engine, "PRODUCTCODE"), "");
  copyIntoCache(files, engine.platform.system->enginePath(), cacheFolder + engineFileName(engine));
  const std::string package =
      installerSession(engine).newInstanceWritten ? engine.options.msiFile : from + setup + ".msi";
  copyIntoCache(files, package, cacheFolder + setup + ".msi");
  for (const std::string& name :
       {setup + ".res", std::string(kArchiveLibrary), std::string("setup.bmp")})
    copyIntoCache(files, from + name, cacheFolder + name);

  const std::string stem = cacheFolder + setup;
  if (const auto save = engine.commands.hooks.saveFeatureSelections) save(engine, stem + ".dat");
  Lines properties;
  for (const auto& [name, value] : engine.changes.recordedProperties) {
    properties.push_back(name);
    properties.push_back(value);
  }
  files.writeFile(stem + ".par", joinLines(properties));
  const std::string& language = engine.run.currentLanguage;
  if (language.empty())
    files.deleteFile(stem + ".lan");
  else
    files.writeFile(stem + ".lan", joinLines({language}));
}

// The running engine may lie in the cache folder and keep it from being deleted: the folder
// moves aside to the first free "~" + n beside it and goes at the next restart.
void emptyCacheFolder(Engine& engine, const std::string& cacheFolder) {
  FileSystem& files = *engine.platform.files;
  if (engine.script.sourceMode == kLocalCacheSourceMode)
    files.deleteFile(cacheFolder + currentValue(engine, "PRODUCTCODE"));
  const std::string folder = withoutTrailingBackslash(cacheFolder);
  files.removeTree(folder);
  if (!files.folderExists(folder)) return;
  const std::string parent(folderPart(folder));
  int n = 0;
  while (files.folderExists(parent + "~" + std::to_string(n))) ++n;
  const std::string moved = parent + "~" + std::to_string(n);
  const std::string left = files.renameFolder(folder, moved) ? moved : folder;
  files.deleteAtRestart(left + "\\" + engineFileName(engine));
  files.deleteAtRestart(left + "\\" + std::string(kArchiveLibrary));
  files.deleteAtRestart(left);
}

bool isEmptyFolder(FileSystem& files, const std::string& folder) {
  for (const FolderEntry& entry : files.findEntries(folder + "\\*.*"))
    if (entry.name != "." && entry.name != "..") return false;
  return true;
}

// A refused write (no rights to the root, for one) ends the run.
void writeEntryValue(Registry& registry, RegistryRoot root, const std::string& key,
                     const std::string& name, const std::string& value) {
  if (!registry.writeString(root, key, name, value))
    throw ScriptError("Failed to set data for '" + name + "'");
}

void writeRegistryEntries(Engine& engine, const std::string& cacheFolder) {
  Registry& registry = *engine.platform.registry;
  const RegistryRoot root = productRegistryRoot(engine);
  const Script& script = engine.script;
  const std::string title = productTitle(engine);
  const std::string program = cacheFolder + engineFileName(engine);
  const std::string key = uninstallEntryKey(title);
  const std::pair<const char*, std::string> values[] = {
      {"DisplayIcon", program},
      {"DisplayName", title},
      {"UninstallString", "\"" + program + "\" REMOVE=TRUE MODIFY=FALSE"},
      {"ModifyPath", program},
      {"Publisher", script.company},
      {"Contact", script.contact},
      {"HelpLink", script.helpLink},
      {"URLUpdateInfo", script.updateLink},
      {"Comments", script.comments},
  };
  for (const auto& [name, value] : values) writeEntryValue(registry, root, key, name, value);
  const std::string productCode = currentValue(engine, "PRODUCTCODE");
  writeEntryValue(registry, root, identityEntryKey(productCode), "", cacheFolder);
  engine.platform.files->writeFile(
      cacheFolder + std::string(kInstanceFile),
      joinLines({productCode, currentValue(engine, "REVISIONCODE"), title}));
}

void deleteRegistryEntries(Engine& engine) {
  Registry& registry = *engine.platform.registry;
  const std::string keys[] = {uninstallEntryKey(productTitle(engine)),
                              identityEntryKey(currentValue(engine, "PRODUCTCODE"))};
  for (const std::string& key : keys)
    for (const RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser})
      registry.deleteKey(root, key);
}

void commandTransformInstance(Engine& engine) {
  if (!isTrue(currentValue(engine, "NEWINSTANCE")) || isPatchRun(engine)) return;
  SystemInfo& system = *engine.platform.system;
  const ProductIdentity product{upperAscii(system.newGuid()), upperAscii(system.newGuid()),
                                engine.script.title};
  installerSession(engine).newInstanceRequested = true;
  bootstrapProduct(engine, product);
}

void commandIsMsiSetupInstalled(Engine& engine) {
  const std::string productCode = collapsedBackslashes(engine.expanded(1));
  WindowsInstaller* installer = engine.platform.installer;
  const bool installed =
      installer && installer->productState(productCode) == installer_codes::kProductInstalled;
  engine.writeResult(engine.parameter(2), truthText(installed));
}

constexpr CommandDescriptor kInstanceCommands[] = {
    {"Transform Instance", commandTransformInstance},
    {"Is MSI Setup Installed",
     commandIsMsiSetupInstalled,
     {.resultLines = {2}, .resultRequired = true}},
};

}  // namespace

void registerProduct(Engine& engine, bool install, bool uninstall) {
  FileSystem& files = *engine.platform.files;
  const std::string cacheFolder = productCacheFolder(engine);
  const std::string advertised = cacheFolder + std::string(kAdvertisedFolder);
  if (!install && !uninstall)
    files.createFolders(advertised);
  else if (files.folderExists(advertised) && isEmptyFolder(files, advertised))
    files.removeTree(advertised);

  if (install)
    fillCacheFolder(engine, cacheFolder);
  else if (uninstall)
    emptyCacheFolder(engine, cacheFolder);

  if (install)
    writeRegistryEntries(engine, cacheFolder);
  else
    deleteRegistryEntries(engine);
}

std::span<const CommandDescriptor> instanceCommands() {
  return kInstanceCommands;
}

}  // namespace kx
