#pragma once
// Bundle Files: copies the files a manifest lists from the plug-in's own folder into a target
// folder. The plug-in's side of the two-call protocol: the first call does all the work and
// keeps the resulting variable list, the second copies it out.
#include <cstdint>
#include <string>
#include <vector>

#include "bundlefiles/shared_dll.h"

namespace rx {

class BundleFiles {
 public:
  // `pluginFolder` holds the library, the manifests and the bundles, with a trailing backslash.
  BundleFiles(BundleMachine& machine, std::string pluginFolder)
      : machine_(machine), pluginFolder_(std::move(pluginFolder)) {}

  // `RunTimeExecute`. First call (no result buffer): does the work and returns the length of
  // the resulting variable list, or -1 when the call fails as a whole (the engine then keeps
  // its variables). Second call: copies the kept list with its terminator into the buffer.
  // Nothing is thrown out of it.
  int32_t execute(uintptr_t owner, const char* variables, const char* parameters, int32_t* status,
                  char* resultBuffer);

 private:
  int32_t firstCall(uintptr_t owner, const char* variables, const char* parameters,
                    int32_t* status);

  struct Outcome {
    std::string returnVar;
    bool returnVarRead = false;
  };
  void copyBundle(std::vector<std::string>& variables, const std::vector<std::string>& parameters,
                  Outcome& outcome);
  std::vector<std::string> readManifest(const std::string& sourceId,
                                        const std::string& sourceFiles);

  BundleMachine& machine_;
  std::string pluginFolder_;
  std::string result_;
};

// "True" or "False" in any letter case, or a number (0 is false); anything else is the error
// "'%s' is not a valid boolean value".
bool parseBoolean(const std::string& text);

// Lines end at CR, LF or CR LF; a final line end adds no empty line.
std::vector<std::string> splitLines(const std::string& text);

// A manifest path stays inside its folder: relative, without a drive, a stream or a component
// made only of dots.
bool staysInside(const std::string& relativePath);

}  // namespace rx
