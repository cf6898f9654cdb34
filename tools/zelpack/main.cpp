// zelpack: builds setup scripts (and, with later commands, whole setups) from projects.
#include <fstream>
#include <iostream>
#include <sstream>

#include "tools/zelpack/project.h"

namespace {

int usage() {
  std::cerr << "usage: zelpack script PROJECT.json -o FILE\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 || std::string(argv[1]) != "script" || std::string(argv[3]) != "-o") return usage();
  std::ifstream in(argv[2], std::ios::binary);
  if (!in) {
    std::cerr << "zelpack: cannot read " << argv[2] << "\n";
    return 1;
  }
  std::ostringstream text;
  text << in.rdbuf();
  try {
    const kx::Script script = kx::scriptFromProject(text.str());
    std::ofstream out(argv[4], std::ios::binary | std::ios::trunc);
    out << kx::writeScript(script);
    if (!out) throw std::runtime_error(std::string("cannot write ") + argv[4]);
  } catch (const std::exception& e) {
    std::cerr << "zelpack: " << argv[2] << ": " << e.what() << "\n";
    return 1;
  }
  return 0;
}
