#include "system/file_queries.h"

#include <array>
#include <cstdint>
#include <utility>

#include "base/comma_text.h"
#include "base/values.h"
#include "interpreter/engine.h"
#include "interpreter/worker_and_wait.h"

namespace kx {
namespace {

std::string versionText(const FileVersion& version) {
  return std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
         std::to_string(version.release) + "." + std::to_string(version.build);
}

FileVersion versionOfFile(Engine& engine, const std::string& path) {
  const auto information = engine.platform.files->versionInformation(path);
  return information ? information->fileVersion : FileVersion{};
}

// Four parts compared as unsigned numbers: a version text's parts may exceed 16 bits.
using VersionParts = std::array<uint32_t, 4>;

VersionParts partsOf(const FileVersion& version) {
  return {version.major, version.minor, version.release, version.build};
}

// "1.2" reads as 1.2.0.0: a part before a dot must be a whole number (a script error
// otherwise), the last part counts as 0 when it is not one.
VersionParts partsOfText(std::string_view text) {
  VersionParts parts{};
  for (uint32_t& part : parts) {
    const size_t dot = text.find('.');
    if (dot != std::string_view::npos) {
      part = static_cast<uint32_t>(parseInteger(text.substr(0, dot)));
      text.remove_prefix(dot + 1);
    } else {
      part = static_cast<uint32_t>(tryParseInteger(text).value_or(0));
      text = {};
    }
  }
  return parts;
}

void commandDoesFileFolderExist(Engine& engine) {
  FileSystem& files = *engine.platform.files;
  const std::string path = engine.expandedPath(2);
  bool exists = false;
  if (isTrue(engine.parameter(3))) {
    // The first entry the path finds decides, so a wildcard pattern is accepted.
    const std::vector<FolderEntry> entries = files.findEntries(path);
    exists = !entries.empty() && !entries.front().isFolder;
  } else {
    exists = files.folderExists(path);
  }
  engine.writeResult(engine.parameter(1), truthText(exists));
}

void commandGetFileVersion(Engine& engine) {
  const FileVersion version = versionOfFile(engine, engine.expandedPath(1));
  engine.writeResult(namedVariable(engine.parameter(2)), versionText(version));
}

void commandCheckFileVersion(Engine& engine) {
  const VersionParts version = partsOf(versionOfFile(engine, engine.expandedPath(2)));
  const VersionParts reference = isTrue(engine.parameter(3))
                                     ? partsOf(versionOfFile(engine, engine.expandedPath(4)))
                                     : partsOfText(engine.expanded(5));
  engine.writeResult(engine.parameter(1), truthText(version > reference));
}

void commandCheckDiskSpace(Engine& engine) {
  const DiskSpace space = engine.platform.files->diskSpace(engine.expandedPath(2));
  const uint64_t bytes = isTrue(engine.parameter(3)) ? space.freeBytes : space.totalBytes;
  engine.writeResult(upperAscii(namedVariable(engine.parameter(1))), std::to_string(bytes));
}

// What the search worker shares with the interpreter, under the engine's general lock.
struct SearchProgress {
  std::string text;
  int64_t counter = 0;
};

void commandFindAllFiles(Engine& engine) {
  const std::string pattern = engine.expandedPath(1);
  SearchProgress progress;
  std::atomic<bool> cancel = false;
  FileSearch search;
  search.subfolders = isTrue(engine.parameter(2));
  search.listFolders = isTrue(engine.parameter(3));
  search.cancel = &cancel;
  search.visiting = [&] {
    std::lock_guard guard(engine.generalLock);
    progress.counter = (progress.counter + 1) % 101;
  };
  search.found = [&](const std::string& path) {
    std::lock_guard guard(engine.generalLock);
    progress.text = path;
  };
  std::vector<std::string> found;
  // TFindAllFilesThread: the worker of this command.
  const auto work = [&] { found = findAllFiles(*engine.platform.files, pattern, search); };
  const auto publish = [&] {
    std::string text;
    int64_t counter = 0;
    {
      std::lock_guard guard(engine.generalLock);
      text = progress.text;
      counter = progress.counter;
    }
    engine.publishProgress(text, 0, 100, counter);
  };
  runWorkerAndWait(engine, cancel, work, publish);
  engine.writeResult(upperAscii(namedVariable(engine.parameter(4))),
                     writeDelimitedText(found, '|'));
}

void closeTextFile(OpenTextFile& open) {
  open = OpenTextFile{};
}

// Fills the read-ahead until it holds a line break or the file has given everything.
void readUntilLineBreak(OpenTextFile& open) {
  constexpr size_t kChunk = 64 * 1024;
  size_t searchFrom = 0;
  while (!open.exhausted) {
    const size_t lineBreak = open.readAhead.find_first_of("\r\n", searchFrom);
    // A CR at the very end may be the first half of a CR LF pair: read on to see.
    if (lineBreak != std::string::npos && lineBreak + 1 < open.readAhead.size()) return;
    searchFrom = open.readAhead.size() > 0 ? open.readAhead.size() - 1 : 0;
    const size_t had = open.readAhead.size();
    open.readAhead.resize(had + kChunk);
    const size_t got = open.file->read(open.readAhead.data() + had, kChunk);
    open.readAhead.resize(had + got);
    if (got == 0) open.exhausted = true;
  }
}

bool atEndOfFile(OpenTextFile& open) {
  if (open.readAhead.empty() && !open.exhausted) readUntilLineBreak(open);
  return open.readAhead.empty() && open.exhausted;
}

std::string readLine(OpenTextFile& open) {
  readUntilLineBreak(open);
  const size_t end = open.readAhead.find_first_of("\r\n");
  if (end == std::string::npos) return std::exchange(open.readAhead, {});
  std::string line = open.readAhead.substr(0, end);
  const size_t next = end + (open.readAhead.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  open.readAhead.erase(0, next);
  return line;
}

void commandReadFromTextFile(Engine& engine) {
  OpenTextFile& open = engine.run.textFile;
  const std::string file = engine.expandedPath(1);
  const std::string lineVariable = engine.parameter(2);
  const std::string endVariable = engine.parameter(3);
  if (!lineVariable.empty() && !engine.store.isDefined(lineVariable))
    engine.writeResult(lineVariable, "");
  if (!equalsIgnoringAsciiCase(file, open.name)) {
    closeTextFile(open);
    open.file = engine.platform.files->openForReading(file);
    if (!open.file) {
      closeTextFile(open);
      if (!endVariable.empty()) engine.writeResult(endVariable, std::string(kTrue));
      return;
    }
    open.name = file;
  }
  if (!atEndOfFile(open)) {
    std::string line = readLine(open);
    if (!lineVariable.empty()) engine.writeResult(lineVariable, line);
  }
  const bool atEnd = atEndOfFile(open);
  // At its end the file is closed, so the next read of it starts again at the first line.
  if (atEnd) closeTextFile(open);
  if (!endVariable.empty()) engine.writeResult(endVariable, truthText(atEnd));
}

void commandWriteToTextFile(Engine& engine) {
  FileSystem& files = *engine.platform.files;
  const std::string file = engine.expandedPath(1);
  const std::string line = engine.expanded(2);
  if (equalsIgnoringAsciiCase(file, engine.run.textFile.name)) closeTextFile(engine.run.textFile);
  Lines lines = linesOfText(files.readFile(file).value_or(""));
  if (isTrue(engine.parameter(3)))
    lines.insert(lines.begin(), line);
  else
    lines.push_back(line);
  files.setNormalAttributes(file);
  files.writeFile(file, joinLines(lines));  // a failure to write is not the script's concern
}

void commandGetIniFileSettings(Engine& engine) {
  const std::string value = engine.platform.files->iniValue(
      engine.expandedPath(2), engine.expandedPath(3), engine.expandedPath(4));
  engine.writeResult(engine.parameter(1), value);
}

void searchFolder(FileSystem& files, const std::string& folder, const std::string& mask,
                  const FileSearch& search, std::vector<std::string>& results) {
  const auto cancelled = [&] { return search.cancel && search.cancel->load(); };
  if (search.visiting) search.visiting();
  const std::vector<FolderEntry> entries = files.findEntries(folder + "*.*");
  if (entries.empty()) return;
  for (const FolderEntry& entry : entries) {
    if (!entry.isFolder || entry.name == "." || entry.name == "..") continue;
    if (search.subfolders) {
      searchFolder(files, folder + entry.name + "\\", mask, search, results);
      if (cancelled()) return;
    }
    if (search.listFolders) results.push_back(folder + entry.name);
  }
  // A mask that matches every name finds what the first listing found.
  const bool everyName = mask == "*.*" || mask == "*";
  const std::vector<FolderEntry> matching =
      everyName ? std::vector<FolderEntry>() : files.findEntries(folder + mask);
  for (const FolderEntry& entry : everyName ? entries : matching) {
    if (entry.isFolder || entry.name == "." || entry.name == "..") continue;
    const std::string path = folder + entry.name;
    if (search.found) search.found(path);
    results.push_back(path);
    if (cancelled()) return;
  }
}

constexpr CommandDescriptor kFileQueryCommands[] = {
    {"Does File/Folder Exist", commandDoesFileFolderExist, {.resultLines = {1}}},
    {"Find All Files", commandFindAllFiles, {.resultLines = {4}, .resultRequired = true}},
    {"Get File Version", commandGetFileVersion, {.resultLines = {2}}},
    {"Check File Version", commandCheckFileVersion, {.resultLines = {1}}},
    {"Check Disk Space", commandCheckDiskSpace, {.resultLines = {1}, .resultRequired = true}},
    {"Read from Text File", commandReadFromTextFile, {.resultLines = {2, 3}}},
    {"Write to Text File", commandWriteToTextFile},
    {"Get INI File Settings", commandGetIniFileSettings, {.resultLines = {1}}},
};

}  // namespace

std::vector<std::string> findAllFiles(FileSystem& files, const std::string& pattern,
                                      const FileSearch& search) {
  std::vector<std::string> results;
  searchFolder(files, std::string(folderPart(pattern)), std::string(fileNamePart(pattern)), search,
               results);
  return results;
}

std::span<const CommandDescriptor> fileQueryCommands() {
  return kFileQueryCommands;
}

}  // namespace kx
