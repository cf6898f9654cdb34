#pragma once
// Whole-file reads and writes for the zelpack commands; a failure names its file.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>

namespace kx {

// A failure that belongs to one file, which zelpack reports as "zelpack: FILE: REASON".
class FileError : public std::runtime_error {
 public:
  FileError(std::filesystem::path file, const std::string& reason)
      : std::runtime_error(reason), file(std::move(file)) {}
  std::filesystem::path file;
};

inline std::string readWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FileError(path, std::filesystem::exists(path) ? "cannot be read" : "is missing");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void writeWhole(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) throw FileError(path, "cannot be written");
}

}  // namespace kx
