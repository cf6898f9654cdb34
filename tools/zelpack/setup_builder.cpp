#include "tools/zelpack/setup_builder.h"

#include <algorithm>
#include <random>
#include <stdexcept>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
extern char** environ;
#endif

#include "dialogs/forms/component_stream.h"
#include "dialogs/forms/definition_text.h"
#include "media/zel/seven_zip_writer.h"
#include "media/zel/support.h"
#include "startup/trailing_data.h"
#include "tools/zelpack/files.h"
#include "tools/zelpack/project.h"

namespace kx {
namespace {

namespace fs = std::filesystem;

// A private temporary folder for what the archive writer and wixl need as files; removed with
// the object, so a failed build leaves nothing behind.
class Scratch {
 public:
  Scratch() {
    std::random_device random;
    do {
      path_ = fs::temp_directory_path() / ("zelpack-" + std::to_string(random()));
    } while (!fs::create_directory(path_));
  }
  ~Scratch() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// The setup's files in memory, so that nothing reaches the output folder before all of them
// are ready.
struct PreparedSetup {
  std::string program;                                     // setup.exe
  std::vector<std::pair<std::string, std::string>> files;  // name in the setup folder, bytes
  fs::path dataFolder;                                     // copied as data/
};

fs::path sourcePath(const fs::path& projectFolder, const std::string& field) {
  return field.empty() ? fs::path() : (projectFolder / field).lexically_normal();
}

const fs::path& requireFolder(const fs::path& folder) {
  if (!fs::is_directory(folder)) throw FileError(folder, "is not a folder");
  return folder;
}

// The program with `data` as its trailing data, in place of any it already carries (an
// engine folder may hold a setup.exe, or a zel.dll with the default message file).
std::string withTrailingData(const std::string& program, const std::string& data) {
  return program.substr(0, program.size() - trailingData(program).size()) + data;
}

// Each NAME.txt of `folder` compiled into `into` as NAME.dfm, with its rule file beside it:
// the engine refuses a dialog without one.
void compileDialogs(const fs::path& folder, const fs::path& into) {
  for (const auto& item : fs::directory_iterator(requireFolder(folder))) {
    const fs::path& text = item.path();
    if (!item.is_regular_file() || text.extension() != ".txt") continue;
    const std::string name = text.stem().string();
    const fs::path rules = folder / (name + ".dfm.zelf");
    if (!fs::is_regular_file(rules)) throw FileError(rules, "the dialog's rule file is missing");
    try {
      writeWhole(into / (name + ".dfm"), definitionFile(readWhole(text)));
    } catch (const dfm::DefinitionError& e) {
      throw FileError(text, e.what());
    }
    writeWhole(into / rules.filename(), readWhole(rules));
  }
}

// setup.res: the support files with the compiled dialogs; an empty archive without either.
std::string payloadArchive(const fs::path& supportFiles, const fs::path& dialogs,
                           const Scratch& scratch) {
  std::vector<zel::WriterEntry> entries;
  if (!supportFiles.empty()) entries = zel::entriesOfFolder(requireFolder(supportFiles));
  if (!dialogs.empty()) {
    const fs::path compiled = scratch.path() / "dialogs";
    fs::create_directory(compiled);
    compileDialogs(dialogs, compiled);
    for (auto& entry : zel::entriesOfFolder(compiled)) entries.push_back(std::move(entry));
    const auto byName = [](const auto& a, const auto& b) { return a.name < b.name; };
    std::sort(entries.begin(), entries.end(), byName);
    const auto twice =
        std::adjacent_find(entries.begin(), entries.end(),
                           [](const auto& a, const auto& b) { return a.name == b.name; });
    if (twice != entries.end())
      throw FileError(supportFiles / twice->name, "has the name of a compiled dialog");
  }
  const fs::path archive = scratch.path() / "setup.res";
  try {
    zel::writeSevenZip(archive, entries);
  } catch (const zel::ArchiveError& e) {
    throw FileError("setup.res", "cannot be packed (archive error " + std::to_string(e.code) + ")");
  }
  return readWhole(archive);
}

#ifdef _WIN32
std::string installerFromWxs(const fs::path& wxs, const Scratch&) {
  throw FileError(wxs, "wixl does not run on Windows; name a built .msi in \"msi\" instead");
}
#else
// wixl reads the files that the .wxs names relative to the .wxs's own folder.
std::string installerFromWxs(const fs::path& wxs, const Scratch& scratch) {
  if (!fs::is_regular_file(wxs)) throw FileError(wxs, "cannot be read");
  const fs::path output = scratch.path() / "setup.msi";
  std::vector<std::string> words = {"wixl", "-o", output.string(), wxs.string()};
  std::vector<char*> arguments;
  for (auto& word : words) arguments.push_back(word.data());
  arguments.push_back(nullptr);
  pid_t child = 0;
  const int spawned = posix_spawnp(&child, "wixl", nullptr, nullptr, arguments.data(), environ);
  if (spawned == ENOENT) throw FileError(wxs, "wixl is missing (it comes with msitools)");
  if (spawned != 0) throw FileError(wxs, "wixl cannot be started");
  int status = 0;
  while (waitpid(child, &status, 0) == -1 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw FileError(wxs, "wixl could not build it");
  return readWhole(output);
}
#endif

PreparedSetup prepare(const fs::path& project, const fs::path& engine, const Scratch& scratch) {
  const std::string json = readWhole(project);
  const std::string script = scriptFile(json);
  PreparedSetup setup;
  setup.program = withTrailingData(readWhole(engine / "zelstub.exe"), script);
  const SetupSources fields = setupSourcesFromProject(json);
  const auto source = [folder = project.parent_path()](const std::string& field) {
    return sourcePath(folder, field);
  };
  if (!fields.msi.empty() && !fields.wxs.empty())
    throw std::runtime_error("\"msi\" and \"wxs\" both give setup.msi; name one of them");

  const std::string library = readWhole(engine / "zel.dll");
  setup.files.emplace_back("zel.dll",
                           fields.messageFile.empty()
                               ? library
                               : withTrailingData(library, readWhole(source(fields.messageFile))));
  setup.files.emplace_back(
      "setup.res", payloadArchive(source(fields.supportFiles), source(fields.dialogs), scratch));
  for (const auto& [field, name] : {std::pair{&fields.msi, "setup.msi"},
                                    {&fields.msp, "setup.msp"},
                                    {&fields.splash, "setup.bmp"}}) {
    if (!field->empty()) setup.files.emplace_back(name, readWhole(source(*field)));
  }
  if (!fields.wxs.empty())
    setup.files.emplace_back("setup.msi", installerFromWxs(source(fields.wxs), scratch));
  if (!fields.data.empty()) setup.dataFolder = requireFolder(source(fields.data));
  return setup;
}

void writeSetup(const PreparedSetup& setup, const fs::path& out) {
  fs::create_directories(out);
  // What this build wrote, removed again when a later write fails. Only files are removed, so
  // that a folder in the way of a file keeps its contents; a data folder only when new.
  std::vector<fs::path> files;
  fs::path newDataFolder;
  try {
    for (const auto& [name, bytes] : setup.files) {
      files.push_back(out / name);
      writeWhole(files.back(), bytes);
    }
    if (!setup.dataFolder.empty()) {
      const fs::path data = out / "data";
      if (!fs::exists(data)) newDataFolder = data;
      fs::copy(setup.dataFolder, data,
               fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
    // Last, so that a setup.exe is never found without the files it needs.
    files.push_back(out / "setup.exe");
    writeWhole(files.back(), setup.program);
  } catch (...) {
    std::error_code ignored;
    for (const auto& file : files)
      if (!fs::is_directory(file, ignored)) fs::remove(file, ignored);
    if (!newDataFolder.empty()) fs::remove_all(newDataFolder, ignored);
    throw;
  }
}

}  // namespace

std::string scriptFile(const std::string& projectJson) {
  return writeScript(scriptFromProject(projectJson));
}

std::string definitionFile(std::string_view text) {
  return dfm::writeDefinition(dfm::objectFromText(text));
}

fs::path defaultEngineFolder(const char* argv0) {
#ifndef _WIN32
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (!error) return self.parent_path();
#endif
  return fs::path(argv0).parent_path();
}

void buildSetup(const fs::path& project, const fs::path& engine, const fs::path& out) {
  const Scratch scratch;
  writeSetup(prepare(project, engine, scratch), out);
}

}  // namespace kx
