#pragma once
// A registry that lives as long as the run, in memory.
#include <map>
#include <set>
#include <string>

#include "platform/platform.h"

namespace kx {

class HeadlessRegistry : public Registry {
 public:
  RegistryRead readValue(RegistryRoot root, const std::string& key,
                         const std::string& valueName) override;
  bool writeValue(RegistryRoot root, const std::string& key, const std::string& valueName,
                  const RegistryValue& value) override;
  bool deleteValue(RegistryRoot root, const std::string& key,
                   const std::string& valueName) override;

 private:
  std::map<std::string, RegistryValue> values_;  // upper-case "root\key\value" -> value
  std::set<std::string> keys_;                   // upper-case "root\key"
};

}  // namespace kx
