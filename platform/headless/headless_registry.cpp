#include "platform/headless/headless_registry.h"

#include "base/values.h"

namespace kx {
namespace {
std::string registryPath(RegistryRoot root, const std::string& key, const std::string& value) {
  std::string k = upperAscii(key);
  while (!k.empty() && k.back() == '\\') k.pop_back();
  return std::to_string(static_cast<int>(root)) + "\\" + k + "\\" + upperAscii(value);
}
}  // namespace

std::optional<std::string> HeadlessRegistry::readString(RegistryRoot root, const std::string& key,
                                                        const std::string& valueName) {
  const auto found = values_.find(registryPath(root, key, valueName));
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

bool HeadlessRegistry::writeString(RegistryRoot root, const std::string& key,
                                   const std::string& valueName, const std::string& value) {
  values_[registryPath(root, key, valueName)] = value;
  return true;
}

bool HeadlessRegistry::deleteValue(RegistryRoot root, const std::string& key,
                                   const std::string& valueName) {
  return values_.erase(registryPath(root, key, valueName)) > 0;
}

}  // namespace kx
