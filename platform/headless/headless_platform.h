#pragma once
// A platform without windows or Windows, for running scripts on the build machine (zelrun).
// Paths are Windows paths into the run's sandbox (sandbox.h). Texts are in the run's code page
// (code_page.h), converted where they meet the host: file names, the archive library's names
// and passwords, the environment. It is the machine's side only: message boxes and dialogs come
// from platform/scripted, which zelrun.exe uses over Windows too.
#include <ostream>
#include <string>

#include "platform/file_web_server.h"
#include "platform/headless/headless_files.h"
#include "platform/headless/headless_installation.h"
#include "platform/headless/headless_modules.h"
#include "platform/headless/headless_programs.h"
#include "platform/headless/headless_registry.h"
#include "platform/headless/headless_services.h"
#include "platform/headless/headless_system_info.h"
#include "platform/headless/picture_codecs.h"
#include "platform/headless/sandbox.h"
#include "platform/platform.h"
#include "platform/std_threads.h"
#include "platform/zel_archive_library.h"

namespace kx {

class HeadlessPlatform {
 public:
  // `engineFile` is the engine program's host path. An unsupported code page throws
  // std::invalid_argument.
  HeadlessPlatform(std::string sandboxFolder, const std::string& engineFile, std::ostream& log,
                   unsigned codePage = CodePage::kWindowsLatin1);
  HeadlessPlatform(const HeadlessPlatform&) = delete;
  HeadlessPlatform& operator=(const HeadlessPlatform&) = delete;

  // Without a user interface and dialog windows: the caller adds them.
  Platform platform() {
    return {nullptr,   &registry,  &files,    &system,   &modules,  &threads_, &archives,
            &pictures, &installer, &programs, &services, &security, &com,      &webServer};
  }

  const Sandbox sandbox;
  HeadlessRegistry registry;
  HeadlessFileSystem files;
  HeadlessSystemInfo system;
  HeadlessModules modules;
  HeadlessPrograms programs;
  // The linked-in library, over the sandbox's host paths and the host's UTF-8.
  ZelArchiveLibrary archives;
  LibraryPictureCodecs pictures;
  // Installations are logged on `log`, not run (zelrun --installer-result and the rest).
  HeadlessInstaller installer;
  HeadlessMachineServices services;
  HeadlessAccessControl security;
  HeadlessComRegistration com;
  // No web server unless one is loaded (zelrun --iis).
  FileWebServer webServer;

 private:
  // No window messages to wait for: a finished worker needs no wake-up.
  StdThreads threads_{nullptr};
};

}  // namespace kx
