#pragma once
// The Windows registry.
#include "platform/platform.h"

namespace kx {

class Win32Registry : public Registry {
 public:
  RegistryRead readValue(RegistryRoot root, const std::string& key,
                         const std::string& valueName) override;
  bool writeValue(RegistryRoot root, const std::string& key, const std::string& valueName,
                  const RegistryValue& value) override;
  bool deleteValue(RegistryRoot root, const std::string& key,
                   const std::string& valueName) override;
  bool deleteKey(RegistryRoot root, const std::string& key) override;
};

}  // namespace kx
