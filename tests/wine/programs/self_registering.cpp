// A self-registering library: registration writes the value KX_VALUE under
// HKCU\Software\Kestrix\SelfRegistration, unregistration removes it; both answer KX_ANSWER.
#include <windows.h>

namespace {
constexpr const char* kKey = "Software\\Kestrix\\SelfRegistration";
}  // namespace

extern "C" __declspec(dllexport) HRESULT __stdcall DllRegisterServer() {
  const char data[] = "registered";
  if (RegSetKeyValueA(HKEY_CURRENT_USER, kKey, KX_VALUE, REG_SZ, data, sizeof data) !=
      ERROR_SUCCESS)
    return E_UNEXPECTED;
  return KX_ANSWER;
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllUnregisterServer() {
  if (RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, KX_VALUE) != ERROR_SUCCESS) return E_UNEXPECTED;
  return KX_ANSWER;
}
