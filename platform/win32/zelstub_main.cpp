// zelstub.exe: the setup engine's entry point on Windows.
#include <windows.h>

#include "media/archive_extraction.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_startup.h"
#include "startup/main_procedure.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Libraries are looked up in the system folder only, never beside a downloaded setup.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  kx::Win32Platform platform;
  kx::Win32Startup startup;
  kx::setUpCodecs(platform.platform());
  // The payload archive is unpacked whole, without a password, by zel.dll beside the engine.
  const kx::PayloadExtractor extractPayload = [&platform](const std::string& archive,
                                                          const std::string& folder) {
    return kx::extractArchive(platform, archive, {}, folder, nullptr, true, true).ok;
  };
  return kx::runMainProcedure(platform.platform(), startup, extractPayload);
}
