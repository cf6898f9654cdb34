#include "platform/win32/win32_archive_library.h"

#include <windows.h>

#include <type_traits>

#include "base/values.h"

namespace kx {

Win32ArchiveLibrary::Win32ArchiveLibrary(SystemInfo& system)
    : ZelArchiveLibrary([this] { return bind(); }), system_(system) {}

// zel.dll ships beside the engine; it is loaded from there by full path, since the engine
// limits the library search to the system folder.
const ZelFunctions* Win32ArchiveLibrary::bind() {
  const std::string engine = system_.enginePath();
  const std::string folder(folderPart(engine));
  HMODULE library = LoadLibraryA((folder + "zel.dll").c_str());
  if (!library) return nullptr;
  const auto entry = [library](auto& function, const char* name) {
    function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
        reinterpret_cast<void*>(GetProcAddress(library, name)));
    return function != nullptr;
  };
  if (!entry(entries_.openListArchive, "OpenListArchive") ||
      !entry(entries_.closeListArchive, "CloseListArchive") ||
      !entry(entries_.extractArchive, "ExtractArchive") ||
      !entry(entries_.getLastArchiveError, "GetLastArchiveError")) {
    FreeLibrary(library);
    return nullptr;
  }
  return &entries_;
}

}  // namespace kx
