#pragma once
// Plug-in statements: the script's plug-in list names them, parameter line 1 holds the
// plug-in's own parameters and line 2 its library. The library's `RunTimeExecute` runs on a
// worker thread while the interpreter keeps the dialog on screen responsive.
#include <string>

namespace kx {

struct Engine;

void runPluginStatement(Engine& engine);

// Full path of the running plug-in statement's library.
std::string pluginLibraryPath(Engine& engine);

// Full path of a file that ships in a web media block: media root + block + relative path.
// Fetching the block into the local cache and asking for the original sources belong to the
// web media blocks; until they exist the path is only computed.
std::string mediaBlockFilePath(Engine& engine, const std::string& block,
                               const std::string& relativePath);

inline constexpr const char* kPluginMissingMessage =
    "Unable to load plug-in library. Please rebuild your project and make sure all required "
    "plug-ins are installed.\r\rAction skipped";

}  // namespace kx
