// zelpack: builds setup scripts and whole setups from projects, and converts dialog
// definitions between their binary and text forms.
#include <functional>
#include <iostream>

#include "dialogs/forms/component_stream.h"
#include "dialogs/forms/definition_text.h"
#include "tools/zelpack/files.h"
#include "tools/zelpack/setup_builder.h"

namespace {

int usage() {
  std::cerr << "usage: zelpack script PROJECT.json -o FILE\n"
               "       zelpack build PROJECT.json -o DIR [--engine FOLDER]\n"
               "       zelpack txt2dfm TEXT DEFINITION\n"
               "       zelpack dfm2txt DEFINITION TEXT\n";
  return 2;
}

// Runs a command's work; a failure names the file at fault, or else `input`.
int run(const std::string& input, const std::function<void()>& work) {
  try {
    work();
  } catch (const kx::FileError& e) {
    std::cerr << "zelpack: " << e.file.string() << ": " << e.what() << "\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "zelpack: " << input << ": " << e.what() << "\n";
    return 1;
  }
  return 0;
}

// Reads IN, converts it and writes OUT; a failure writes nothing.
int convert(const std::string& in, const std::string& out,
            const std::function<std::string(const std::string&)>& conversion) {
  return run(in, [&] { kx::writeWhole(out, conversion(kx::readWhole(in))); });
}

int build(int argc, char** argv) {
  const std::string project = argv[2];
  std::string out;
  std::filesystem::path engine;
  for (int i = 3; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "-o") {
      out = argv[i + 1];
    } else if (option == "--engine") {
      engine = argv[i + 1];
    } else {
      return usage();
    }
  }
  if (argc % 2 == 0 || out.empty()) return usage();
  if (engine.empty()) engine = kx::defaultEngineFolder(argv[0]);
  return run(project, [&] { kx::buildSetup(project, engine, out); });
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "script" && argc == 5 && std::string(argv[3]) == "-o") {
    return convert(argv[2], argv[4], kx::scriptFile);
  }
  if (command == "build" && argc >= 5) return build(argc, argv);
  if (command == "txt2dfm" && argc == 4) return convert(argv[2], argv[3], kx::definitionFile);
  if (command == "dfm2txt" && argc == 4) {
    return convert(argv[2], argv[3], [](const std::string& definition) {
      return kx::dfm::objectToText(kx::dfm::readDefinition(definition));
    });
  }
  return usage();
}
