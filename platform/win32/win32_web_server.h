#pragma once
// The local IIS web service through its directory automation objects ("IIS://localhost/w3svc").
// Where IIS is not installed the service cannot be reached and every command fails.
#include "platform/platform.h"

namespace kx {

class Win32WebServer : public WebServerAdministration {
 public:
  std::unique_ptr<WebObject> webService() override;
};

}  // namespace kx
