#pragma once
// Loading the dialogs of a run: each "Display Dialog" statement's definition and rule file,
// read at start-up into a table keyed by the statement's dialog key.
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "dialogs/forms/form_model.h"

namespace kx {

struct Engine;
class FileSystem;

// A definition or rule file that can't be loaded; the start-up reports it as a general failure.
class DialogLoadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TimerSettings {
  bool enabled = false;
  int intervalMs = 1000;
};

struct LoadedDialog {
  std::unique_ptr<DialogForm> form;
  TimerSettings refreshTimer{true, 1000};       // the one-second progress refresh
  TimerSettings pageRefreshTimer{false, 1000};  // started by an HTML page's refresh request
};

class DialogTable {
 public:
  // Loads the definition at `path` and its rule file (`path` + ".zelf") under `key`, replacing
  // a dialog already registered under it. Throws DialogLoadError.
  LoadedDialog& load(const std::string& key, const std::string& path, FileSystem& files);
  // Registers `form` under `key`, replacing a dialog already registered under it.
  LoadedDialog& add(const std::string& key, std::unique_ptr<DialogForm> form);
  // The dialog registered under `key` (letter case ignored); none when absent.
  LoadedDialog* find(std::string_view key);
  size_t size() const { return entries_.size(); }
  std::vector<std::string> keys() const;
  void clear() { entries_.clear(); }

 private:
  std::vector<std::pair<std::string, std::unique_ptr<LoadedDialog>>> entries_;
};

// Called before the first load with (1, count) and after each load with the next position.
using LoadProgress = std::function<void(size_t position, size_t count)>;

// Start-up loading: every enabled "Display Dialog" statement's definition, support folder +
// parameter line 1 + ".dfm", in script order, under the statement's dialog key.
void loadScriptDialogs(Engine& engine, DialogTable& table, const LoadProgress& progress = {});

// The default contents some controls show, found in the support folder each time a dialog is
// prepared. `file` is the support file to load, empty when none exists and `fallback` is shown.
struct DefaultContent {
  std::string file;
  std::string fallback;
};

enum class DocumentRole { Readme = 1, Licence = 2 };

// Memos: the language's plain text file, else the plain one.
DefaultContent memoContent(FileSystem& files, const std::string& supportFolder,
                           const std::string& language, DocumentRole role);
// Rich-edit boxes: formatted text first, then plain text.
DefaultContent richEditContent(FileSystem& files, const std::string& supportFolder,
                               const std::string& language, DocumentRole role);
// HTML viewers with tag 1: the support folder's index page.
DefaultContent htmlContent(FileSystem& files, const std::string& supportFolder);
// Flash frames with tag 1: the support folder's movie; the fallback becomes the caption.
DefaultContent movieContent(FileSystem& files, const std::string& supportFolder);

}  // namespace kx
