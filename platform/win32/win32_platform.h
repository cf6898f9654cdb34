#pragma once
// The engine's platform on Windows.
#include "platform/platform.h"
#include "platform/std_threads.h"
#include "platform/win32/wic_picture_codecs.h"
#include "platform/win32/win32_access_control.h"
#include "platform/win32/win32_archive_library.h"
#include "platform/win32/win32_com_registration.h"
#include "platform/win32/win32_dialog_windows.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_installer.h"
#include "platform/win32/win32_modules.h"
#include "platform/win32/win32_programs.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_system_info.h"
#include "platform/win32/win32_user_interface.h"
#include "platform/win32/win32_web_server.h"

namespace kx {

class Win32Platform {
 public:
  // Built on the interpreter thread, which owns the windows and waits for workers.
  Win32Platform() = default;
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  // Libraries are looked up in the system folder only, never beside a downloaded setup. For
  // the engine's process, before anything loads.
  static void searchLibrariesInSystemFolderOnly();
  Platform platform() {
    return {&ui,       &registry, &files,    &system,    &modules,
            &threads_, &archives, &pictures, &installer, &programs,
            &services, &security, &com,      &webServer, &dialogWindows};
  }

  Win32UserInterface ui;
  Win32Registry registry;
  Win32FileSystem files;
  Win32SystemInfo system;
  Win32Modules modules;
  Win32ArchiveLibrary archives{system};
  WicPictureCodecs pictures;
  Win32Programs programs{ui};
  Win32WindowsInstaller installer;
  Win32MachineServices services;
  Win32AccessControl security;
  Win32ComRegistration com;
  Win32WebServer webServer;
  Win32DialogWindows dialogWindows{pictures};

 private:
  // A finished worker wakes the interpreter with a null message.
  StdThreads threads_{[this] { ui.wakeMessageLoop(); }};
};

}  // namespace kx
