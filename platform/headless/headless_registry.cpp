#include "platform/headless/headless_registry.h"

#include "base/values.h"

namespace kx {
namespace {

std::string keyPath(RegistryRoot root, const std::string& key) {
  std::string k = upperAscii(key);
  while (!k.empty() && k.back() == '\\') k.pop_back();
  return std::to_string(static_cast<int>(root)) + "\\" + k;
}

}  // namespace

RegistryRead HeadlessRegistry::readValue(RegistryRoot root, const std::string& key,
                                         const std::string& valueName) {
  const std::string path = keyPath(root, key);
  if (!keys_.contains(path)) return {RegistryReadStatus::NoKey, {}};
  const auto found = values_.find(path + "\\" + upperAscii(valueName));
  if (found == values_.end()) return {RegistryReadStatus::NoValue, {}};
  return {RegistryReadStatus::Found, found->second};
}

bool HeadlessRegistry::writeValue(RegistryRoot root, const std::string& key,
                                  const std::string& valueName, const RegistryValue& value) {
  std::string path = keyPath(root, key);
  values_[path + "\\" + upperAscii(valueName)] = value;
  // The key and every parent exist from now on.
  for (;;) {
    keys_.insert(path);
    const auto cut = path.rfind('\\');
    if (cut == std::string::npos) break;
    path.resize(cut);
  }
  return true;
}

bool HeadlessRegistry::deleteValue(RegistryRoot root, const std::string& key,
                                   const std::string& valueName) {
  return values_.erase(keyPath(root, key) + "\\" + upperAscii(valueName)) > 0;
}

}  // namespace kx
