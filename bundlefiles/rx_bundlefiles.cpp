// RX_BundleFiles.dll: the plug-in's entry and its view of Windows.
#include <windows.h>

#include <new>

#include "bundlefiles/bundle_files.h"

namespace {

class Win32BundleMachine : public rx::BundleMachine {
 public:
  bool folderExists(const std::string& path) override {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  bool fileExists(const std::string& path) override {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  std::optional<std::string> readFile(const std::string& path, std::string& error) override {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      error = systemErrorText(GetLastError());
      return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    BOOL ok;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &read, nullptr)) && read > 0)
      bytes.append(buffer, read);
    if (!ok) error = systemErrorText(GetLastError());
    CloseHandle(file);
    if (!ok) return std::nullopt;
    return bytes;
  }
  uint32_t createFolders(const std::string& path) override {
    std::string folder = path;
    while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    if (folder.empty() || folderExists(folder)) return 0;
    const std::string parent = rx::folderOf(folder);
    // A drive ("C:") or share root has no parent to create.
    if (!parent.empty() && parent.size() < folder.size())
      if (const uint32_t error = createFolders(parent)) return error;
    if (CreateDirectoryA(folder.c_str(), nullptr)) return 0;
    const DWORD error = GetLastError();
    return error == ERROR_ALREADY_EXISTS && folderExists(folder) ? 0 : error;
  }
  uint32_t copyFile(const std::string& source, const std::string& target) override {
    return CopyFileA(source.c_str(), target.c_str(), FALSE) ? 0 : GetLastError();
  }
  std::string systemErrorText(uint32_t code) override {
    char* text = nullptr;
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                           FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                       nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message(text ? text : "", length);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\r' || message.back() == '\n' ||
                                message.back() == ' ' || message.back() == '.'))
      message.pop_back();
    return message;
  }
  bool sameText(const std::string& a, const std::string& b) override {
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(),
                          static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
  }
  void showMessage(uintptr_t owner, const std::string& text) override {
    MessageBoxA(reinterpret_cast<HWND>(owner), text.c_str(), nullptr, MB_OK);
  }
};

// The plug-in for the life of the load: its own folder and the result kept between the calls.
struct Loaded {
  explicit Loaded(std::string folder) : plugin(machine, std::move(folder)) {}
  Win32BundleMachine machine;
  rx::BundleFiles plugin;
};
Loaded* loaded = nullptr;

std::string moduleFolder(HINSTANCE module) {
  char path[1024];
  const DWORD length = GetModuleFileNameA(module, path, sizeof path);
  return rx::folderOf(std::string(path, length < sizeof path ? length : 0));
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    loaded = new (std::nothrow) Loaded(moduleFolder(module));
    return loaded != nullptr;
  }
  if (reason == DLL_PROCESS_DETACH) {
    delete loaded;
    loaded = nullptr;
  }
  return TRUE;
}

extern "C" int32_t __stdcall RunTimeExecute(HWND owner, const char* variables,
                                            const char* parameters, void* /*progress*/,
                                            int32_t* status, char* resultBuffer) {
  return loaded->plugin.execute(reinterpret_cast<uintptr_t>(owner), variables, parameters, status,
                                resultBuffer);
}
