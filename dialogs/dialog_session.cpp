#include "dialogs/dialog_session.h"

#include "base/values.h"
#include "interpreter/engine.h"

namespace kx {
namespace {

// "C:" names the drive's root folder only with its backslash.
bool folderExists(FileSystem& files, const std::string& folder) {
  if (folder.size() == 2 && folder[1] == ':') return files.folderExists(folder + "\\");
  return files.folderExists(folder);
}

}  // namespace

DialogHost& DialogSession::addHost(Engine& engine, const std::string& key) {
  LoadedDialog* dialog = table.find(key);
  if (!dialog) throw DialogLoadError("No dialog loaded under " + key);
  auto host = std::make_unique<DialogHost>(engine, *this, *dialog);
  for (auto& [existing, entry] : hosts) {
    if (equalsIgnoringAsciiCase(existing, key)) {
      entry = std::move(host);
      return *entry;
    }
  }
  hosts.emplace_back(key, std::move(host));
  return *hosts.back().second;
}

DialogHost* DialogSession::find(std::string_view key) {
  for (auto& [existing, host] : hosts) {
    if (equalsIgnoringAsciiCase(existing, key)) return host.get();
  }
  return nullptr;
}

DialogHost* DialogSession::current(const Engine& engine) {
  if (engine.run.currentDialogKey.empty()) return nullptr;
  return find(engine.run.currentDialogKey);
}

DialogSession& openDialogSession(Engine& engine) {
  engine.dialogs = std::make_shared<DialogSession>();
  engine.refreshProgressPage = [](Engine& e) {
    if (!e.dialogs) return;
    if (DialogHost* host = e.dialogs->current(e)) host->refreshProgress();
  };
  return *engine.dialogs;
}

void loadDialogs(Engine& engine, const LoadProgress& progress) {
  DialogSession& session = openDialogSession(engine);
  loadScriptDialogs(engine, session.table, progress);
  for (const std::string& key : session.table.keys()) session.addHost(engine, key);
}

TargetSplit splitTargetFolder(const Engine& engine) {
  TargetSplit split;
  if (!engine.store.isDefined("TARGETDIR")) return split;
  split.target = engine.store.expandPath(engine.store.get("TARGETDIR"));
  FileSystem& files = *engine.platform.files;
  std::string folder = withoutTrailingBackslash(split.target);
  while (!folder.empty() && !folderExists(files, folder)) {
    const size_t cut = folder.rfind('\\');
    folder = cut == std::string::npos ? std::string() : folder.substr(0, cut);
  }
  split.existingBase = folder;
  if (folder.empty()) return split;
  const std::string covered = withTrailingBackslash(folder);
  if (split.target.size() > covered.size() &&
      equalsIgnoringAsciiCase(split.target.substr(0, covered.size()), covered))
    split.newTail = split.target.substr(covered.size());
  return split;
}

}  // namespace kx
