#include "installer/bootstrap.h"

#include "base/values.h"
#include "interpreter/engine.h"

namespace kx {
namespace {

constexpr std::string_view kContext = "Bootstrap";
constexpr int kPersonalFolder = 0x05;
constexpr int kProgramFilesFolder = 0x26;

bool administratorOnNt(Engine& engine) {
  return engine.platform.system->isNtFamily() && engine.platform.system->isAdministrator();
}

std::string defaultTargetFolder(Engine& engine, const std::string& title) {
  SystemInfo& system = *engine.platform.system;
  std::string base;
  if (!system.isNtFamily() || administratorOnNt(engine)) {
    base = system.specialFolder(kProgramFilesFolder);
    if (base.empty())
      base = engine.platform.registry
                 ->readString(RegistryRoot::LocalMachine,
                              "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir")
                 .value_or("");
  } else {
    base = folderPart(withoutTrailingBackslash(system.specialFolder(kPersonalFolder)));
  }
  return withTrailingBackslash(base) + title + "\\";
}

struct InstalledState {
  bool needsUpgrade = false;
  bool maintenance = false;
};

// What the installer says about the product code; a question it cannot answer counts as no.
InstalledState installedState(Engine& engine, const ProductIdentity& product) {
  WindowsInstaller* installer = engine.platform.installer;
  if (!installer ||
      installer->productState(product.productCode) != installer_codes::kProductInstalled)
    return {};
  const auto packageCode = installer->productInfo(product.productCode, "PackageCode");
  const bool otherPackage =
      packageCode && !equalsIgnoringAsciiCase(*packageCode, product.revisionCode);
  return {otherPackage, !otherPackage};
}

NameValueList propertiesFromLines(const Lines& lines) {
  NameValueList properties;
  for (size_t i = 0; i < lines.size(); i += 2)
    properties.emplace_back(lines[i], i + 1 < lines.size() ? lines[i + 1] : std::string());
  return properties;
}

// An installed instance keeps its data under the per-user root when that one holds its
// selections, else under the all-users root.
std::string installedCacheFolder(Engine& engine, const std::string& revisionCode) {
  const std::string perUser = applicationDataRoot(engine, false) + revisionCode + "\\";
  if (engine.platform.files->fileExists(perUser + setupName(engine) + ".dat")) return perUser;
  return applicationDataRoot(engine, true) + revisionCode + "\\";
}

// The feature selections and the recorded properties the installed instance saved.
void loadInstalledRun(Engine& engine, const std::string& revisionCode) {
  const std::string stem = installedCacheFolder(engine, revisionCode) + setupName(engine);
  if (const auto load = engine.commands.hooks.loadFeatureSelections) load(engine, stem + ".dat");
  if (const auto saved = engine.platform.files->readFile(stem + ".par"))
    engine.changes.recordedProperties = propertiesFromLines(linesOfText(*saved));
}

// A patch is for the instance the uninstall entry starts: its cache folder is named after the
// instance's revision code.
void preloadPatchRun(Engine& engine) {
  Registry& registry = *engine.platform.registry;
  const std::string key = uninstallEntryKey(engine.script.title);
  std::string uninstaller;
  for (const RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
    uninstaller = registry.readString(root, key, "UninstallString").value_or("");
    if (!uninstaller.empty()) break;
  }
  const std::string program = unquotedUninstallString(uninstaller);
  const std::string revisionCode(fileNamePart(withoutTrailingBackslash(folderPart(program))));
  if (!revisionCode.empty()) loadInstalledRun(engine, revisionCode);
}

}  // namespace

std::string uninstallLink(Engine& engine) {
  if (engine.script.sourceMode != kUninstallEntrySourceMode)
    return productCacheFolder(engine) + engineFileName(engine);
  const auto uninstaller = engine.platform.registry->readString(
      productRegistryRoot(engine), uninstallEntryKey(productTitle(engine)), "UninstallString");
  return uninstaller ? unquotedUninstallString(*uninstaller) : std::string();
}

void bootstrapProduct(Engine& engine, const ProductIdentity& product) {
  VariableStore& store = engine.store;
  StartOptions& options = engine.options;
  const bool administrator = administratorOnNt(engine);
  store.defineAndSet("PRODUCTCODE", product.productCode, kContext);
  store.defineAndSet("REVISIONCODE", product.revisionCode, kContext);
  const std::string cacheFolder =
      applicationDataRoot(engine, administrator) + product.revisionCode + "\\";
  store.defineAndSet("UNINSTALLLINK", cacheFolder + engineFileName(engine), kContext);
  // In local-cache mode the installation data lives in the product cache; the setup's own
  // data folder stays the media root.
  if (options.mediaRoot.empty()) options.mediaRoot = options.dataFolder;
  if (engine.script.sourceMode == kLocalCacheSourceMode) options.dataFolder = cacheFolder;
  store.defineAndSet("DATADIR", options.dataFolder, kContext);

  const InstalledState installed = installedState(engine, product);
  store.defineAndSet("NEEDSUPGRADE", truthText(installed.needsUpgrade), kContext);
  store.defineAndSet("MAINTENANCE", truthText(installed.maintenance), kContext);
  if (installed.maintenance) {
    loadInstalledRun(engine, product.revisionCode);
  } else {
    if (const CommandFunction reset = engine.commands.hooks.resetComponents) reset(engine);
    engine.changes.recordedProperties.clear();
    store.set("TARGETDIR", defaultTargetFolder(engine, product.title), kContext);
    store.set("STARTMENU", product.title, kContext);
    store.set("ALLUSERS", truthText(administrator), kContext);
  }
  // Installed, but this engine is not the copy in the product's cache.
  const bool fromCache =
      engine.platform.files->fileExists(engineFolder(engine) + std::string(kInstanceFile));
  store.defineAndSet("NEWINSTANCE",
                     truthText(!fromCache && (installed.maintenance || installed.needsUpgrade)),
                     kContext);
}

void bootstrap(Engine& engine) {
  Script& script = engine.script;
  ProductIdentity product{script.productCode, script.revisionCode, script.title};
  if (const auto saved =
          engine.platform.files->readFile(engineFolder(engine) + std::string(kInstanceFile))) {
    const Lines lines = linesOfText(*saved);
    std::string* const fields[] = {&product.productCode, &product.revisionCode, &product.title};
    for (size_t i = 0; i < std::size(fields) && i < lines.size(); ++i) *fields[i] = lines[i];
    // TITLE, and with it the uninstall entry, is the installed instance's. The script's codes
    // stay the setup's own: its sources are marked with them.
    script.title = product.title;
  }
  bootstrapProduct(engine, product);
  if (isPatchRun(engine)) preloadPatchRun(engine);
}

}  // namespace kx
