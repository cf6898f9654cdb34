// zel.dll as the engine loads it, driven by the engine's own list-archive and extract-archive
// over archives that the real 7-Zip made on the host (archive_dll.sh prepares them).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "media/archive_extraction.h"
#include "media/zel/seven_zip_writer.h"
#include "platform/win32/win32_platform.h"

namespace kx {
namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ZelDll, ExtractsWhat7ZipPackedUnderTheRealNames) {
  const char* fixtures = std::getenv("KX_ARCHIVE_FIXTURES");
  if (!fixtures) GTEST_SKIP() << "needs the archives that archive_dll.sh makes";
  const std::string folder = std::string(fixtures) + "\\";
  // As the engine does at start: libraries by name come from the system folder only.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  Win32Platform platform;
  ASSERT_NE(platform.archives.functions(), nullptr);

  const ArchiveListing wrong = listArchive(platform.archives, folder + "locked.7z", "wrong");
  EXPECT_FALSE(wrong.ok);
  EXPECT_EQ(wrong.error, "The archive cannot be opened: unsupported archive or incorrect password");
  EXPECT_EQ(listArchive(platform.archives, folder + "missing.7z", "").error,
            "The archive file was not found");

  const ArchiveOutcome outcome = extractArchive(platform.archives, folder + "locked.7z", "secret",
                                                folder + "out", nullptr, true, true);
  ASSERT_TRUE(outcome.ok) << outcome.error;
  const fs::path source = fs::path(folder + "source");
  const fs::path out = fs::path(folder + "out");
  size_t files = 0;
  for (const auto& item : fs::recursive_directory_iterator(source)) {
    const fs::path extracted = out / fs::relative(item.path(), source);
    if (item.is_directory()) {
      EXPECT_TRUE(fs::is_directory(extracted)) << extracted;
    } else {
      EXPECT_EQ(readAll(extracted), readAll(item.path())) << extracted;
      ++files;
    }
  }
  EXPECT_EQ(files, 5u);
  // A name outside the ANSI code page is written under its real UTF-16 name.
  EXPECT_TRUE(fs::exists(out / fs::path(u"\u540D\u524D \u0436.txt")));
}

// The writer with CNG's AES, read back by zel.dll here and by the host's 7-Zip afterwards.
TEST(ZelDll, ReadsWhatTheWriterEncryptedWithCng) {
  const char* fixtures = std::getenv("KX_ARCHIVE_FIXTURES");
  if (!fixtures) GTEST_SKIP() << "needs the archives that archive_dll.sh makes";
  const std::string folder = std::string(fixtures) + "\\";
  zel::writeSevenZip(fs::path(folder + "written.7z"), zel::entriesOfFolder(folder + "source"), 5,
                     "secret");
  Win32Platform platform;
  const ArchiveOutcome outcome = extractArchive(platform.archives, folder + "written.7z", "secret",
                                                folder + "written", nullptr, true, true);
  ASSERT_TRUE(outcome.ok) << outcome.error;
  EXPECT_EQ(readAll(fs::path(folder + "written\\readme.txt")),
            readAll(fs::path(folder + "source\\readme.txt")));
  EXPECT_FALSE(listArchive(platform.archives, folder + "written.7z", "wrong").ok);
}

}  // namespace
}  // namespace kx
