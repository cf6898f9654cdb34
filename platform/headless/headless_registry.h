#pragma once
// A registry that lives as long as the run, in memory.
#include <map>
#include <string>

#include "platform/platform.h"

namespace kx {

class HeadlessRegistry : public Registry {
 public:
  std::optional<std::string> readString(RegistryRoot root, const std::string& key,
                                        const std::string& valueName) override;
  bool writeString(RegistryRoot root, const std::string& key, const std::string& valueName,
                   const std::string& value) override;
  bool deleteValue(RegistryRoot root, const std::string& key,
                   const std::string& valueName) override;

 private:
  std::map<std::string, std::string> values_;  // upper-case "root\key\value" -> data
};

}  // namespace kx
