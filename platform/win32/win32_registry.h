#pragma once
// The Windows registry, string values only.
#include "platform/platform.h"

namespace kx {

class Win32Registry : public Registry {
 public:
  std::optional<std::string> readString(RegistryRoot root, const std::string& key,
                                        const std::string& valueName) override;
  bool writeString(RegistryRoot root, const std::string& key, const std::string& valueName,
                   const std::string& value) override;
  bool deleteValue(RegistryRoot root, const std::string& key,
                   const std::string& valueName) override;
};

}  // namespace kx
