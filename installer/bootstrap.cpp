#include "installer/bootstrap.h"

#include "base/values.h"
#include "interpreter/engine.h"

namespace kx {
namespace {

constexpr std::string_view kContext = "Bootstrap";
constexpr int kDesktopFolder = 0x00;
constexpr int kPersonalFolder = 0x05;
constexpr int kCommonDesktopFolder = 0x19;
constexpr int kProgramFilesFolder = 0x26;
constexpr int kCommonFilesFolder = 0x2B;

bool administratorOnNt(Engine& engine) {
  return engine.platform.system->isNtFamily() && engine.platform.system->isAdministrator();
}

std::string parentFolder(const std::string& folder) {
  const std::string trimmed = withoutTrailingBackslash(folder);
  const size_t slash = trimmed.rfind('\\');
  return slash == std::string::npos ? std::string() : trimmed.substr(0, slash);
}

std::string applicationDataRoot(Engine& engine, bool allUsers) {
  SystemInfo& system = *engine.platform.system;
  if (!system.isNtFamily()) return withTrailingBackslash(system.specialFolder(kCommonFilesFolder));
  const std::string desktop =
      system.specialFolder(allUsers ? kCommonDesktopFolder : kDesktopFolder);
  return withTrailingBackslash(parentFolder(desktop)) + "Application Data\\";
}

std::string defaultTargetFolder(Engine& engine) {
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
    base = parentFolder(system.specialFolder(kPersonalFolder));
  }
  return withTrailingBackslash(base) + engine.script.title + "\\";
}

std::string engineFileName(Engine& engine) {
  return std::string(fileNamePart(engine.platform.system->enginePath()));
}

}  // namespace

std::string uninstallLink(Engine& engine) {
  return applicationDataRoot(engine, administratorOnNt(engine)) + engine.script.revisionCode +
         "\\" + engineFileName(engine);
}

// Until installed products are detected, every run is a first installation.
void bootstrap(Engine& engine) {
  VariableStore& store = engine.store;
  store.defineAndSet("PRODUCTCODE", engine.script.productCode, kContext);
  store.defineAndSet("REVISIONCODE", engine.script.revisionCode, kContext);
  store.defineAndSet("UNINSTALLLINK", uninstallLink(engine), kContext);
  store.defineAndSet("DATADIR", engine.options.dataFolder, kContext);
  store.defineAndSet("NEEDSUPGRADE", "FALSE", kContext);
  store.defineAndSet("MAINTENANCE", "FALSE", kContext);
  store.set("TARGETDIR", defaultTargetFolder(engine), kContext);
  store.set("STARTMENU", engine.script.title, kContext);
  store.set("ALLUSERS", truthText(administratorOnNt(engine)), kContext);
}

}  // namespace kx
