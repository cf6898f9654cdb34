#pragma once
// Writes 7z archives: one solid LZMA folder for the files with data, names, folders, empty
// files, modification times and attributes in the header; with a password the data and the
// header are 7z AES-256 encrypted. For tools and tests.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zel {

struct WriterEntry {
  std::u16string name;           // relative, with "/" between folders
  std::filesystem::path source;  // the file whose bytes are stored; empty for a folder
  bool isFolder = false;
  uint64_t modified = 0;  // FILETIME; 0 for none
  uint32_t attributes = 0;
};

// Every file and folder under `root`, in a stable order, with their times.
std::vector<WriterEntry> entriesOfFolder(const std::filesystem::path& root);

// Writes the archive; throws ArchiveError (ZEL_WRITE_ERROR when a file cannot be read or the
// archive cannot be written).
void writeSevenZip(const std::filesystem::path& archive, const std::vector<WriterEntry>& entries,
                   int level = 5, const std::string& password = "");

}  // namespace zel
