#pragma once
// The readable JSON form of a setup project, compiled into the script file format.
#include <string>

#include "script/script.h"

namespace kx {

// Builds the script from a project's JSON text. Statements without an id get one derived
// from the title and their position, so the same project always compiles to the same bytes.
// Throws std::runtime_error with a readable message for a malformed project.
Script scriptFromProject(const std::string& json);

// The files a project builds into a setup beside its script, as the project names them
// (relative to the project file's folder); a field the project leaves out stays empty.
struct SetupSources {
  std::string supportFiles;  // folder packed into setup.res
  std::string dialogs;       // folder of NAME.txt dialogs with their NAME.dfm.zelf rule files
  std::string msi;
  std::string msp;
  std::string wxs;  // built into setup.msi by wixl
  std::string splash;
  std::string data;         // folder copied as data/
  std::string messageFile;  // trailing data of zel.dll
};

// Throws std::runtime_error like scriptFromProject.
SetupSources setupSourcesFromProject(const std::string& json);

}  // namespace kx
