#pragma once
// Helpers for tests over real 7-Zip archives: a scratch folder, a sample tree of files, and
// the real `7zz` to pack it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace kx::test {

namespace fs = std::filesystem;

inline std::string readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
inline void writeBytes(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// A folder under the system's temporary folder, removed with the object.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::random_device seed;
    path_ = fs::temp_directory_path() /
            ("kx-archive-" + std::to_string(seed()) + "-" +
             std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& path() const { return path_; }
  fs::path operator/(const std::string& name) const { return path_ / fs::path(name); }

 private:
  fs::path path_;
};

// Bytes that exercise every branch converter: random words with the opcodes each of them
// converts sprinkled in, and some text so that the LZMA coders have matches to find.
inline std::string sampleCode(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (auto& b : bytes) b = static_cast<char>(random() & 0xFF);
  for (size_t i = 0; i + 16 < size; i += 1 + random() % 24) {
    switch (random() % 6) {
      case 0:
        bytes[i] = '\xE8';
        bytes[i + 3] = 0;
        bytes[i + 4] = 0;
        break;  // x86 CALL
      case 1:
        bytes[i + 3] = '\xEB';
        break;  // ARM BL
      case 2:
        bytes[i + 1] = '\xF0';
        bytes[i + 3] = '\xF8';
        break;  // ARM Thumb BL
      case 3:
        bytes[i] = 0x48;
        bytes[i + 3] = 1;
        break;  // PowerPC B
      case 4:
        bytes[i + 3] = static_cast<char>(0x94);
        break;  // ARM64 BL
      default:
        std::memcpy(&bytes[i], "text text text", 14);
        break;
    }
  }
  return bytes;
}

// The files of the sample tree, by relative UTF-8 path; folders end with "/".
inline std::map<std::string, std::string> sampleTree() {
  std::string text;
  for (int line = 0; line < 4000; ++line)
    text += "Line " + std::to_string(line) + ": the quick brown fox jumps over the lazy dog\r\n";
  // Incompressible bytes twice: LZMA2 stores the first copy and matches the second against it.
  std::mt19937 random(13);
  std::string noise(150000, '\0');
  for (auto& b : noise) b = static_cast<char>(random() & 0xFF);
  // Opcode bytes packed closely, for the x86 converters' look-back over recent opcodes.
  std::string dense(60000, '\0');
  const char kOpcodes[] = {'\xE8', '\xE9', '\x00', '\xFF', '\x0F', '\x80', '\x85', 'a'};
  for (auto& b : dense) b = kOpcodes[random() % sizeof kOpcodes];
  return {
      {"readme.txt", text},
      {"dense.bin", dense},
      {"twice.bin", noise + noise},
      {"program.bin", sampleCode(300000, 7)},
      {"empty.txt", ""},
      {"docs/guide/chapter.txt", text.substr(0, 5000)},
      {"docs/guide/more.bin", sampleCode(70000, 11)},
      {"empty folder/", ""},
      {"n\xC3\xA4me \xE5\x90\x8D\xE5\x89\x8D \xD0\xB6.txt", "not in the ANSI code page\n"},
  };
}

inline void writeTree(const fs::path& root, const std::map<std::string, std::string>& tree) {
  for (const auto& [name, bytes] : tree) {
    if (name.ends_with('/')) {
      fs::create_directories(root / fs::path(name));
    } else {
      writeBytes(root / fs::path(name), bytes);
    }
  }
}

// The tree under `root` in the same form.
inline std::map<std::string, std::string> readTree(const fs::path& root) {
  std::map<std::string, std::string> tree;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    const std::string name = fs::relative(item.path(), root).string();
    if (item.is_directory()) {
      if (fs::is_empty(item.path())) tree[name + "/"] = "";
    } else {
      tree[name] = readBytes(item.path());
    }
  }
  return tree;
}

// Names whose presence or bytes differ between two trees (trees are too big to print).
inline std::vector<std::string> treeDifferences(const std::map<std::string, std::string>& a,
                                                const std::map<std::string, std::string>& b) {
  std::vector<std::string> names;
  for (const auto& [name, bytes] : a)
    if (!b.contains(name) || b.at(name) != bytes) names.push_back(name);
  for (const auto& [name, bytes] : b)
    if (!a.contains(name)) names.push_back(name);
  return names;
}

// Runs a shell command; the test fails when it does.
inline void shell(const std::string& command) {
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}
inline std::string quoted(const fs::path& path) {
  return "'" + path.string() + "'";
}

// Packs every item of `source` into `archive` with the real 7-Zip (`7zz`, or p7zip's `7z`)
// and the given switches.
inline void pack7z(const fs::path& source, const fs::path& archive, const std::string& switches,
                   const std::string& tool = "7zz") {
  shell("cd " + quoted(source) + " && LC_ALL=C.UTF-8 " + tool + " a -bd " + quoted(archive) +
        " * " + switches + " > /dev/null");
}

// What `7zz l -slt` says of the archive (for checking which methods it used).
inline std::string describe7z(const fs::path& archive, const std::string& password = "") {
  const fs::path listing = archive.string() + ".txt";
  shell("LC_ALL=C.UTF-8 7zz l -slt -p'" + password + "' " + quoted(archive) + " > " +
        quoted(listing));
  return readBytes(listing);
}

}  // namespace kx::test
