#include "platform/headless/sandbox.h"

#include "base/values.h"

namespace kx {

std::string Sandbox::hostPath(const std::string& path) const {
  std::string p = path;
  for (char& c : p)
    if (c == '\\') c = '/';
  if (p.size() >= 2 && p[1] == ':') {
    const char drive = upperAscii(p[0]);
    const std::string rest = p.substr(2);
    if (drive == 'Z') return rest.empty() ? "/" : rest;
    return folder_ + "/drives/" + static_cast<char>(drive - 'A' + 'a') + rest;
  }
  return p;
}

std::string Sandbox::windowsPath(const std::string& host) {
  std::string p = "Z:" + host;
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

}  // namespace kx
