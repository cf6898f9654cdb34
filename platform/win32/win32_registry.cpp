#include "platform/win32/win32_registry.h"

#include <windows.h>

namespace kx {
namespace {

HKEY rootKey(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::ClassesRoot:
      return HKEY_CLASSES_ROOT;
    case RegistryRoot::CurrentUser:
      return HKEY_CURRENT_USER;
    case RegistryRoot::LocalMachine:
      return HKEY_LOCAL_MACHINE;
    case RegistryRoot::Users:
      return HKEY_USERS;
    case RegistryRoot::CurrentConfig:
      return HKEY_CURRENT_CONFIG;
  }
  return HKEY_CURRENT_USER;
}

std::string withoutTrailing(std::string key) {
  while (!key.empty() && key.back() == '\\') key.pop_back();
  return key;
}

}  // namespace

RegistryRead Win32Registry::readValue(RegistryRoot root, const std::string& key,
                                      const std::string& valueName) {
  HKEY handle;
  if (RegOpenKeyExA(rootKey(root), withoutTrailing(key).c_str(), 0, KEY_READ, &handle) !=
      ERROR_SUCCESS)
    return {RegistryReadStatus::NoKey, {}};
  RegistryRead read{RegistryReadStatus::ReadError, {}};
  DWORD type = 0, size = 0;
  LONG status = RegQueryValueExA(handle, valueName.c_str(), nullptr, &type, nullptr, &size);
  // A value can grow between the two calls: ask again while it does.
  for (int attempt = 0; status == ERROR_SUCCESS && attempt < 4; ++attempt) {
    std::string data(size, '\0');
    DWORD readSize = size;
    status = RegQueryValueExA(handle, valueName.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(data.data()), &readSize);
    if (status == ERROR_MORE_DATA) {
      status = RegQueryValueExA(handle, valueName.c_str(), nullptr, &type, nullptr, &size);
      continue;
    }
    if (status != ERROR_SUCCESS) break;
    data.resize(readSize);
    if (type == REG_SZ || type == REG_EXPAND_SZ)
      while (!data.empty() && data.back() == '\0') data.pop_back();
    // A multi-string's list ends with one more NUL after its last item's.
    if (type == REG_MULTI_SZ && data.ends_with('\0') &&
        (data.size() == 1 || data[data.size() - 2] == '\0'))
      data.pop_back();
    read = {RegistryReadStatus::Found, {static_cast<uint32_t>(type), std::move(data)}};
    break;
  }
  if (status == ERROR_FILE_NOT_FOUND) read.status = RegistryReadStatus::NoValue;
  RegCloseKey(handle);
  return read;
}

bool Win32Registry::writeValue(RegistryRoot root, const std::string& key,
                               const std::string& valueName, const RegistryValue& value) {
  HKEY handle;
  if (RegCreateKeyExA(rootKey(root), withoutTrailing(key).c_str(), 0, nullptr, 0, KEY_WRITE,
                      nullptr, &handle, nullptr) != ERROR_SUCCESS)
    return false;
  const bool text = value.type == registry_types::kString ||
                    value.type == registry_types::kExpandString ||
                    value.type == registry_types::kMultiString;
  // Texts are stored with their terminating NUL, a multi-string with the one that ends its list.
  const DWORD size = static_cast<DWORD>(value.data.size() + (text ? 1 : 0));
  const LONG status = RegSetValueExA(handle, valueName.c_str(), 0, value.type,
                                     reinterpret_cast<const BYTE*>(value.data.c_str()), size);
  RegCloseKey(handle);
  return status == ERROR_SUCCESS;
}

bool Win32Registry::deleteValue(RegistryRoot root, const std::string& key,
                                const std::string& valueName) {
  HKEY handle;
  if (RegOpenKeyExA(rootKey(root), withoutTrailing(key).c_str(), 0, KEY_SET_VALUE, &handle) !=
      ERROR_SUCCESS)
    return false;
  const LONG status = RegDeleteValueA(handle, valueName.c_str());
  RegCloseKey(handle);
  return status == ERROR_SUCCESS;
}

bool Win32Registry::deleteKey(RegistryRoot root, const std::string& key) {
  const std::string path = withoutTrailing(key);
  // An empty path would name the root itself, which is never deleted.
  if (path.empty()) return false;
  // Query, set value, create subkey, enumerate subkeys and notify.
  constexpr REGSAM kEditAccess = 0x2001F;
  HKEY handle;
  if (RegOpenKeyExA(rootKey(root), nullptr, 0, kEditAccess, &handle) != ERROR_SUCCESS) return false;
  const LONG status = RegDeleteTreeA(handle, path.c_str());
  RegCloseKey(handle);
  return status == ERROR_SUCCESS;
}

}  // namespace kx
