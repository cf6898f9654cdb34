#pragma once
// The dialogs of a run and what they share: the loaded dialogs with their hosts, the dialog on
// screen, where the last one stood, and the texts and flags of the most recent preparation.
// Used only on the interpreter's thread.
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dialogs/dialog_host.h"
#include "dialogs/dialog_loader.h"

namespace kx {

// TARGETDIR cut where the folders stop existing.
struct TargetSplit {
  std::string target;        // expanded, doubled backslashes collapsed; empty without TARGETDIR
  std::string existingBase;  // the nearest existing folder on that path; empty when none
  std::string newTail;       // what follows the existing base and its backslash
};

struct Placement {
  int left = 0;
  int top = 0;
  int width = 0;  // of the last dialog that was centred
  int height = 0;
  bool recentre = true;
};

struct DialogSession {
  DialogTable table;
  std::vector<std::pair<std::string, std::unique_ptr<DialogHost>>> hosts;  // by dialog key
  DialogHost* visible = nullptr;    // the dialog last brought on screen
  DialogHost* lastReset = nullptr;  // the dialog the last reset gave its texts back
  Placement placement;
  // (upper-case control name, design text) of the most recent preparation; the first wins.
  std::vector<std::pair<std::string, std::string>> designTexts;
  bool suppressEvents = false;  // raised while the host fills controls itself
  TargetSplit target;

  // The host of the dialog loaded under `key`, with its window unless the run is silent.
  DialogHost& addHost(Engine& engine, const std::string& key);
  DialogHost* find(std::string_view key);
  // The host the current dialog key names; none when there is no current dialog.
  DialogHost* current(const Engine& engine);
};

// Gives the engine a new, empty session and lets the interpreter's progress feed reach it.
DialogSession& openDialogSession(Engine& engine);
// Start-up: every dialog the script displays, loaded with its host.
void loadDialogs(Engine& engine, const LoadProgress& progress = {});

// TARGETDIR's split, found in the file system.
TargetSplit splitTargetFolder(const Engine& engine);

}  // namespace kx
