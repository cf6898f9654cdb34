#include "platform/headless/headless_platform.h"

namespace kx {

HeadlessPlatform::HeadlessPlatform(std::string sandboxFolder, std::string enginePath,
                                   std::ostream& log)
    : sandbox(std::move(sandboxFolder)),
      files(sandbox),
      system(sandbox, std::move(enginePath), log),
      modules(log),
      archives(ZelLinkedFunctions,
               [this](const std::string& path) { return sandbox.hostPath(path); }) {}

}  // namespace kx
