#include "platform/win32/win32_com_registration.h"

#include <windows.h>
// After windows.h, which they need.
#include <oleauto.h>

#include "platform/win32/ansi_text.h"

namespace kx {
namespace {

// The OLE layer, initialised for the duration of one registration.
class OleSession {
 public:
  OleSession() : initialised_(SUCCEEDED(OleInitialize(nullptr))) {}
  ~OleSession() {
    if (initialised_) OleUninitialize();
  }
  OleSession(const OleSession&) = delete;
  OleSession& operator=(const OleSession&) = delete;

 private:
  bool initialised_;
};

// The folder of the library's own help file; empty when it names none.
std::wstring helpFolder(ITypeLib& library) {
  BSTR helpFile = nullptr;
  if (FAILED(library.GetDocumentation(-1, nullptr, nullptr, nullptr, &helpFile)) || !helpFile)
    return {};
  std::wstring folder(helpFile, SysStringLen(helpFile));
  SysFreeString(helpFile);
  const size_t slash = folder.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash);
}

using UnRegisterTypeLibFunction = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);

bool registerLoaded(ITypeLib& library, const std::wstring& path, bool doRegister) {
  TLIBATTR* attributes = nullptr;
  if (FAILED(library.GetLibAttr(&attributes))) return false;
  bool done = false;
  if (doRegister) {
    std::wstring folder = helpFolder(library);
    std::wstring file = path;
    done =
        SUCCEEDED(RegisterTypeLib(&library, file.data(), folder.empty() ? nullptr : folder.data()));
  } else if (HMODULE automation = GetModuleHandleA("oleaut32.dll")) {
    // Bound at run time: older systems' OLEAUT32 lacks it.
    const auto unregister = reinterpret_cast<UnRegisterTypeLibFunction>(
        reinterpret_cast<void*>(GetProcAddress(automation, "UnRegisterTypeLib")));
    done = unregister &&
           SUCCEEDED(unregister(attributes->guid, attributes->wMajorVerNum,
                                attributes->wMinorVerNum, attributes->lcid, attributes->syskind));
  }
  library.ReleaseTLibAttr(attributes);
  return done;
}

}  // namespace

bool Win32ComRegistration::registerTypeLibrary(const std::string& path, bool doRegister) {
  const OleSession ole;
  const std::wstring file = wideFromAnsi(path);
  ITypeLib* library = nullptr;
  if (FAILED(LoadTypeLib(file.c_str(), &library)) || !library) return false;
  const bool done = registerLoaded(*library, file, doRegister);
  library->Release();
  return done;
}

bool Win32ComRegistration::startRegistrationProgram(const std::string& path,
                                                    const std::string& option) {
  const OleSession ole;
  // Quoted, so that the program finds its switch as its first argument whatever its path.
  std::string commandLine = "\"" + path + "\"" + option;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool Win32ComRegistration::callSelfRegistration(const std::string& path, bool doRegister) {
  const OleSession ole;
  HMODULE library = LoadLibraryA(path.c_str());
  if (!library) return false;
  using EntryPoint = HRESULT(WINAPI*)();
  const auto entry = reinterpret_cast<EntryPoint>(reinterpret_cast<void*>(
      GetProcAddress(library, doRegister ? "DllRegisterServer" : "DllUnregisterServer")));
  // A registered server stays loaded, as its registration may have handed out its code.
  if (entry && entry() == S_OK) return true;
  FreeLibrary(library);
  return false;
}

}  // namespace kx
