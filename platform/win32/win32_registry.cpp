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
  }
  return HKEY_CURRENT_USER;
}

std::string withoutTrailing(std::string key) {
  while (!key.empty() && key.back() == '\\') key.pop_back();
  return key;
}

}  // namespace

std::optional<std::string> Win32Registry::readString(RegistryRoot root, const std::string& key,
                                                     const std::string& valueName) {
  HKEY handle;
  if (RegOpenKeyExA(rootKey(root), withoutTrailing(key).c_str(), 0, KEY_READ, &handle) !=
      ERROR_SUCCESS)
    return std::nullopt;
  DWORD type = 0, size = 0;
  std::optional<std::string> value;
  if (RegQueryValueExA(handle, valueName.c_str(), nullptr, &type, nullptr, &size) ==
          ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ)) {
    std::string data(size, '\0');
    if (RegQueryValueExA(handle, valueName.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(data.data()), &size) == ERROR_SUCCESS) {
      data.resize(size);
      while (!data.empty() && data.back() == '\0') data.pop_back();
      value = std::move(data);
    }
  }
  RegCloseKey(handle);
  return value;
}

bool Win32Registry::writeString(RegistryRoot root, const std::string& key,
                                const std::string& valueName, const std::string& value) {
  HKEY handle;
  if (RegCreateKeyExA(rootKey(root), withoutTrailing(key).c_str(), 0, nullptr, 0, KEY_WRITE,
                      nullptr, &handle, nullptr) != ERROR_SUCCESS)
    return false;
  const LONG status = RegSetValueExA(handle, valueName.c_str(), 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>(value.c_str()),
                                     static_cast<DWORD>(value.size() + 1));
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

}  // namespace kx
