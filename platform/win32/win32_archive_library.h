#pragma once
// The archive library on Windows: zel.dll beside the engine, bound at its first use.
#include "platform/platform.h"
#include "platform/zel_archive_library.h"

namespace kx {

class Win32ArchiveLibrary : public ZelArchiveLibrary {
 public:
  explicit Win32ArchiveLibrary(SystemInfo& system);

 private:
  const ZelFunctions* bind();

  SystemInfo& system_;
  ZelFunctions entries_{};
};

}  // namespace kx
