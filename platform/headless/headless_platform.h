#pragma once
// A platform without windows or Windows, for running scripts on the build machine (zelrun).
// Paths are Windows paths into the run's sandbox (sandbox.h). It is the machine's side only:
// message boxes and dialogs come from platform/scripted, which zelrun.exe uses over Windows too.
#include <ostream>
#include <string>

#include "platform/headless/headless_files.h"
#include "platform/headless/headless_modules.h"
#include "platform/headless/headless_registry.h"
#include "platform/headless/headless_system_info.h"
#include "platform/headless/picture_codecs.h"
#include "platform/headless/sandbox.h"
#include "platform/platform.h"
#include "platform/std_threads.h"
#include "platform/zel_archive_library.h"

namespace kx {

class HeadlessPlatform {
 public:
  HeadlessPlatform(std::string sandboxFolder, std::string enginePath, std::ostream& log);
  HeadlessPlatform(const HeadlessPlatform&) = delete;
  HeadlessPlatform& operator=(const HeadlessPlatform&) = delete;

  // Without a user interface and dialogs: the caller adds them.
  Platform platform() {
    return {nullptr,  nullptr,   &registry, &files,   &system,
            &modules, &threads_, &archives, &pictures};
  }

  const Sandbox sandbox;
  HeadlessRegistry registry;
  HeadlessFileSystem files;
  HeadlessSystemInfo system;
  HeadlessModules modules;
  // The linked-in library, over the sandbox's host paths.
  ZelArchiveLibrary archives;
  LibraryPictureCodecs pictures;

 private:
  // No window messages to wait for: a finished worker needs no wake-up.
  StdThreads threads_{nullptr};
};

}  // namespace kx
