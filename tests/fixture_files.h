#pragma once
// The bytes of a file under tests/fixtures/ of the source tree (empty when it can't be read).
#include <fstream>
#include <sstream>
#include <string>

namespace kx::test {

inline std::string fixtureFile(const std::string& relativePath) {
  std::ifstream in(std::string(KX_SOURCE_DIR) + "/tests/fixtures/" + relativePath,
                   std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace kx::test
