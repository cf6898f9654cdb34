#include "installer/product_instance.h"

#include "base/values.h"
#include "interpreter/engine.h"

namespace kx {
namespace {

constexpr int kDesktopFolder = 0x00;
constexpr int kCommonDesktopFolder = 0x19;
constexpr int kCommonFilesFolder = 0x2B;

}  // namespace

std::string currentValue(Engine& engine, std::string_view name) {
  return engine.store.isDefined(name) ? engine.store.get(name) : std::string();
}

std::string productTitle(Engine& engine) {
  return engine.store.isDefined("TITLE") ? engine.store.get("TITLE") : engine.script.title;
}

bool allUsers(Engine& engine) {
  return isTrue(currentValue(engine, "ALLUSERS"));
}

std::string applicationDataRoot(Engine& engine, bool forAllUsers) {
  SystemInfo& system = *engine.platform.system;
  if (!system.isNtFamily()) return withTrailingBackslash(system.specialFolder(kCommonFilesFolder));
  const std::string desktop =
      system.specialFolder(forAllUsers ? kCommonDesktopFolder : kDesktopFolder);
  return withTrailingBackslash(folderPart(withoutTrailingBackslash(desktop))) +
         "Application Data\\";
}

std::string productCacheFolder(Engine& engine) {
  return applicationDataRoot(engine, allUsers(engine)) + currentValue(engine, "REVISIONCODE") +
         "\\";
}

RegistryRoot productRegistryRoot(Engine& engine) {
  return allUsers(engine) || !engine.platform.system->isNtFamily() ? RegistryRoot::LocalMachine
                                                                   : RegistryRoot::CurrentUser;
}

std::string uninstallEntryKey(std::string_view title) {
  return "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + std::string(title);
}

std::string identityEntryKey(std::string_view productCode) {
  return "SOFTWARE\\Orlanvik\\Kestrix\\Ident.Cache\\" + std::string(productCode);
}

std::string unquotedUninstallString(std::string_view text) {
  std::string program(text);
  const size_t first = program.find('"');
  if (first == std::string::npos) return program;
  program.erase(first, 1);
  const size_t next = program.find('"', first);
  if (next != std::string::npos) program.erase(next);
  return program;
}

std::string setupName(Engine& engine) {
  return baseName(engine.options.msiFile);
}

std::string engineFileName(Engine& engine) {
  return std::string(fileNamePart(engine.platform.system->enginePath()));
}

std::string engineFolder(Engine& engine) {
  return std::string(folderPart(engine.platform.system->enginePath()));
}

bool isPatchRun(Engine& engine) {
  return engine.platform.files->fileExists(withTrailingBackslash(engine.options.supportFolder) +
                                           setupName(engine) + ".msp");
}

}  // namespace kx
