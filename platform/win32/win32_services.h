#pragma once
// Processes through the tool-help snapshot, services through the service control manager,
// shares through the network management functions (share information level 2).
#include "platform/platform.h"

namespace kx {

class Win32MachineServices : public MachineServices {
 public:
  std::vector<std::string> runningPrograms() override;
  std::optional<uint32_t> serviceState(const std::string& computer,
                                       const std::string& service) override;
  bool addShare(const Share& share) override;
  bool deleteShare(const std::string& computer, const std::string& name) override;
};

}  // namespace kx
