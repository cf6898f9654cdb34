// zelpack: builds setup scripts (and, with later commands, whole setups) from projects, and
// converts dialog definitions between their binary and text forms.
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>

#include "dialogs/component_stream.h"
#include "dialogs/definition_text.h"
#include "tools/zelpack/project.h"

namespace {

int usage() {
  std::cerr << "usage: zelpack script PROJECT.json -o FILE\n"
               "       zelpack txt2dfm TEXT DEFINITION\n"
               "       zelpack dfm2txt DEFINITION TEXT\n";
  return 2;
}

std::string readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeWhole(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + path);
}

// Reads IN, converts it and writes OUT; a failure names the input and writes nothing.
int convert(const std::string& in, const std::string& out,
            const std::function<std::string(const std::string&)>& conversion) {
  try {
    writeWhole(out, conversion(readWhole(in)));
  } catch (const std::exception& e) {
    std::cerr << "zelpack: " << in << ": " << e.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "script" && argc == 5 && std::string(argv[3]) == "-o") {
    return convert(argv[2], argv[4], [](const std::string& project) {
      return kx::writeScript(kx::scriptFromProject(project));
    });
  }
  if (command == "txt2dfm" && argc == 4) {
    return convert(argv[2], argv[3], [](const std::string& text) {
      return kx::dfm::writeDefinition(kx::dfm::objectFromText(text));
    });
  }
  if (command == "dfm2txt" && argc == 4) {
    return convert(argv[2], argv[3], [](const std::string& definition) {
      return kx::dfm::objectToText(kx::dfm::readDefinition(definition));
    });
  }
  return usage();
}
