#pragma once
// "zelpack build": a runnable setup folder from a project and the engine's files.
#include <filesystem>
#include <string>
#include <string_view>

namespace kx {

// The script file a project compiles into, as "zelpack script" writes it.
std::string scriptFile(const std::string& projectJson);

// The binary definition a dialog's text form compiles into, as "zelpack txt2dfm" writes it.
std::string definitionFile(std::string_view text);

// Where zelstub.exe and zel.dll are looked for without --engine: zelpack's own folder.
std::filesystem::path defaultEngineFolder(const char* argv0);

// Writes setup.exe (zelstub.exe with the script as trailing data), setup.res, zel.dll and the
// project's optional files into `out`, creating it when missing. Everything is prepared before
// the first write into `out`, and a failed write removes what was written. Throws FileError
// for a fault of one file, std::runtime_error for one of the project itself.
void buildSetup(const std::filesystem::path& project, const std::filesystem::path& engine,
                const std::filesystem::path& out);

}  // namespace kx
