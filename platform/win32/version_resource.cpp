#include "platform/win32/version_resource.h"

#include <windows.h>

namespace kx {
namespace {

template <typename Function>
Function entry(HMODULE library, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

}  // namespace

// version.dll is bound at run time from the system folder, so that a library of that name
// planted beside the program is never loaded through our imports.
std::optional<VersionInformation> readVersionResource(const std::string& path) {
  HMODULE library = LoadLibraryExA("version.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!library) return std::nullopt;
  using SizeFunction = DWORD(WINAPI*)(LPCSTR, LPDWORD);
  using InfoFunction = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
  using QueryFunction = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);
  const auto infoSize = entry<SizeFunction>(library, "GetFileVersionInfoSizeA");
  const auto info = entry<InfoFunction>(library, "GetFileVersionInfoA");
  const auto query = entry<QueryFunction>(library, "VerQueryValueA");
  std::optional<VersionInformation> result;
  DWORD ignored = 0;
  const DWORD size = infoSize && info && query ? infoSize(path.c_str(), &ignored) : 0;
  std::string data(size, '\0');
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedSize = 0;
  if (size > 0 && info(path.c_str(), 0, size, data.data()) &&
      query(data.data(), "\\", reinterpret_cast<LPVOID*>(&fixed), &fixedSize) && fixed &&
      fixedSize >= sizeof(VS_FIXEDFILEINFO) && fixed->dwSignature == VS_FFI_SIGNATURE) {
    result.emplace();
    result->fileVersion = {HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                           HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)};
    WORD* translation = nullptr;
    UINT translationSize = 0;
    if (query(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<LPVOID*>(&translation),
              &translationSize) &&
        translation && translationSize >= 2 * sizeof(WORD))
      result->firstTranslation = translation[0] | static_cast<uint32_t>(translation[1]) << 16;
  }
  FreeLibrary(library);
  return result;
}

}  // namespace kx
