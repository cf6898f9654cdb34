#pragma once
// A real program file made by the Windows cross linker (stripped, as zelstub.exe is).
#include <fstream>
#include <sstream>
#include <string>

namespace kx::test {

inline std::string realProgram(const std::string& name = "i686.exe") {
  std::ifstream in(std::string(KX_PE_FIXTURE_DIR) + "/" + name, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace kx::test
