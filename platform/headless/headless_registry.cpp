#include "platform/headless/headless_registry.h"

#include "base/values.h"

namespace kx {
std::optional<std::vector<std::string>> HeadlessRegistry::keyNames(std::string_view key) {
  while (!key.empty() && key.back() == '\\') key.remove_suffix(1);
  std::vector<std::string> names;
  if (key.empty()) return names;
  for (;;) {
    const size_t cut = key.find('\\');
    const std::string_view name = key.substr(0, cut);
    if (name.empty() || name.find('\n') != std::string_view::npos) return std::nullopt;
    names.emplace_back(name);
    if (cut == std::string_view::npos) return names;
    key.remove_prefix(cut + 1);
  }
}

HeadlessRegistry::Key* HeadlessRegistry::findKey(RegistryRoot root, const std::string& key) {
  const auto names = keyNames(key);
  if (!names) return nullptr;
  Key* found = &roots_[static_cast<size_t>(root)];
  for (const std::string& name : *names) {
    const auto sub = found->subkeys.find(upperAscii(name));
    if (sub == found->subkeys.end()) return nullptr;
    found = &sub->second;
  }
  return found;
}

RegistryRead HeadlessRegistry::readValue(RegistryRoot root, const std::string& key,
                                         const std::string& valueName) {
  const Key* found = findKey(root, key);
  if (!found) return {RegistryReadStatus::NoKey, {}};
  const auto value = found->values.find(upperAscii(valueName));
  if (value == found->values.end()) return {RegistryReadStatus::NoValue, {}};
  return {RegistryReadStatus::Found, {value->second.type, value->second.data}};
}

bool HeadlessRegistry::createKey(RegistryRoot root, const std::string& key) {
  const auto names = keyNames(key);
  if (!names || names->size() > kMaxKeyDepth) return false;
  Key* created = &roots_[static_cast<size_t>(root)];
  for (const std::string& name : *names) {
    Key& sub = created->subkeys[upperAscii(name)];
    if (sub.name.empty()) sub.name = name;
    created = &sub;
  }
  return true;
}

bool HeadlessRegistry::writeValue(RegistryRoot root, const std::string& key,
                                  const std::string& valueName, const RegistryValue& value) {
  if (valueName.find('\n') != std::string::npos || !createKey(root, key)) return false;
  Value& stored = findKey(root, key)->values[upperAscii(valueName)];
  if (stored.name.empty()) stored.name = valueName;
  stored.type = value.type;
  stored.data = value.data;
  return true;
}

bool HeadlessRegistry::deleteValue(RegistryRoot root, const std::string& key,
                                   const std::string& valueName) {
  Key* found = findKey(root, key);
  return found && found->values.erase(upperAscii(valueName)) > 0;
}

bool HeadlessRegistry::deleteKey(RegistryRoot root, const std::string& key) {
  const auto names = keyNames(key);
  if (!names || names->empty()) return false;
  const size_t cut = key.find_last_of('\\', key.find_last_not_of('\\'));
  Key* parent = findKey(root, cut == std::string::npos ? std::string() : key.substr(0, cut));
  return parent && parent->subkeys.erase(upperAscii(names->back())) > 0;
}

}  // namespace kx
