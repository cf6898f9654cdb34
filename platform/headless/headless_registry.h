#pragma once
// A registry that lives as long as the run, in memory. Key and value names keep the case they
// were first written with and are found ignoring the case of A-Z, as in the system's registry;
// a key exists without values, and every value keeps its type.
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace kx {

class HeadlessRegistry : public Registry {
 public:
  struct Value {
    std::string name;  // as first written; "" is the key's default value
    uint32_t type = registry_types::kString;
    std::string data;
    bool operator==(const Value&) const = default;
  };
  struct Key {
    std::string name;                     // as first written; empty for a root
    std::map<std::string, Key> subkeys;   // by upper-case name
    std::map<std::string, Value> values;  // by upper-case name
    bool operator==(const Key&) const = default;
  };

  RegistryRead readValue(RegistryRoot root, const std::string& key,
                         const std::string& valueName) override;
  // Refuses a name with a line feed in it: a registry file could not hold it.
  bool writeValue(RegistryRoot root, const std::string& key, const std::string& valueName,
                  const RegistryValue& value) override;
  bool deleteValue(RegistryRoot root, const std::string& key,
                   const std::string& valueName) override;
  // Creates the key with its missing parents ("" is the root itself).
  bool createKey(RegistryRoot root, const std::string& key);
  // Deletes the key with all its subkeys; a root cannot be deleted.
  bool deleteKey(RegistryRoot root, const std::string& key) override;

  // The names along a key path. Final backslashes are ignored; an empty name between two
  // backslashes or at the start, or a line feed anywhere, makes the path invalid.
  static std::optional<std::vector<std::string>> keyNames(std::string_view key);
  // Keys nest at most this deep, as in the system's registry.
  static constexpr size_t kMaxKeyDepth = 512;

  const Key& rootKey(RegistryRoot root) const { return roots_[static_cast<size_t>(root)]; }
  bool operator==(const HeadlessRegistry& other) const { return roots_ == other.roots_; }

 private:
  Key* findKey(RegistryRoot root, const std::string& key);
  std::array<Key, 5> roots_;
};

}  // namespace kx
