#pragma once
// Plug-in libraries on Windows: LoadLibrary by full path, `RunTimeExecute` called through the
// standard calling convention with exceptions and processor faults contained.
#include "platform/platform.h"

namespace kx {

class Win32Modules : public Modules {
 public:
  Win32Modules();
  std::unique_ptr<PluginLibrary> loadPlugin(const std::string& path) override;
};

}  // namespace kx
