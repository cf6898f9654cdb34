#pragma once
// Where an installed product instance lives: its cache folder under the application-data root,
// its registry entries and the names of the files the cache keeps.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace kx {

struct Engine;

// Source modes (script field 14) that change where installation data comes from.
inline constexpr int32_t kLocalCacheSourceMode = 2;
inline constexpr int32_t kUninstallEntrySourceMode = 3;

inline constexpr std::string_view kInstanceFile = "instance.dat";

// The codes and the display name of the product this run installs or maintains.
struct ProductIdentity {
  std::string productCode;
  std::string revisionCode;
  std::string title;
};

// A variable's value, or empty while it is not defined.
std::string currentValue(Engine& engine, std::string_view name);
// TITLE, or the script's title before the run defines it.
std::string productTitle(Engine& engine);
bool allUsers(Engine& engine);

// "Application Data\" beside the (all users' or the user's) desktop folder on the NT family,
// the Common Files folder on Windows 9x; with a trailing backslash.
std::string applicationDataRoot(Engine& engine, bool forAllUsers);
// The cache folder of the current REVISIONCODE under the root ALLUSERS chooses.
std::string productCacheFolder(Engine& engine);

// HKEY_LOCAL_MACHINE when ALLUSERS is TRUE and always on Windows 9x, else HKEY_CURRENT_USER.
RegistryRoot productRegistryRoot(Engine& engine);
std::string uninstallEntryKey(std::string_view title);
std::string identityEntryKey(std::string_view productCode);
// An uninstall string without its quoting: the first double quote removed and everything from
// the next one on cut off.
std::string unquotedUninstallString(std::string_view text);

// The installer package's base name, which every file of the setup shares.
std::string setupName(Engine& engine);
std::string engineFileName(Engine& engine);
// The engine's folder, with a trailing backslash.
std::string engineFolder(Engine& engine);
// The support folder holds the setup's patch package.
bool isPatchRun(Engine& engine);

}  // namespace kx
