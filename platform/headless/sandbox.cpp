#include "platform/headless/sandbox.h"

#include "base/values.h"

namespace kx {

std::string Sandbox::hostPath(const std::string& path) const {
  std::string p = codePage_.toUtf8(path);
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

std::string Sandbox::windowsPath(const std::string& host) const {
  std::string p = "Z:" + codePage_.fromUtf8(host);
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

}  // namespace kx
