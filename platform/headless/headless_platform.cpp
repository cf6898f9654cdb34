#include "platform/headless/headless_platform.h"

namespace kx {

HeadlessPlatform::HeadlessPlatform(std::string sandboxFolder, const std::string& engineFile,
                                   std::ostream& log, unsigned codePage)
    : sandbox(std::move(sandboxFolder), CodePage(codePage)),
      files(sandbox, log),
      system(sandbox, sandbox.windowsPath(engineFile), log),
      modules(log),
      programs(log),
      archives(ZelLinkedFunctions,
               [this](const std::string& path) { return sandbox.hostPath(path); },
               {[this](const std::string& text) { return sandbox.codePage().toUtf8(text); },
                [this](const std::string& text) { return sandbox.codePage().fromUtf8(text); }}),
      installer(sandbox, system, log),
      services(log),
      security(log),
      com(log) {}

}  // namespace kx
