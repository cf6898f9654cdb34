// Archives that we write, read back by the real 7-Zip and by our own reader.
#include <gtest/gtest.h>

#include "media/zel/seven_zip_writer.h"
#include "media/zel/support.h"
#include "media/zel/zel.h"
#include "tests/native/archive_support.h"

namespace kx::test {
namespace {

void expectBothExtract(const ScratchFolder& scratch, const std::map<std::string, std::string>& tree,
                       const std::string& password = "") {
  const fs::path archive = scratch / "ours.7z";
  const std::string withPassword = " -p'" + password + "' ";
  shell("LC_ALL=C.UTF-8 7zz t -bso0 -bsp0" + withPassword + quoted(archive));
  shell("LC_ALL=C.UTF-8 7zz x -bso0 -bsp0" + withPassword + "-o" + quoted(scratch / "by-7zip") +
        " " + quoted(archive));
  EXPECT_EQ(treeDifferences(readTree(scratch / "by-7zip"), tree), std::vector<std::string>{});
  ASSERT_NE(ExtractArchive(archive.c_str(), ZEL_EXTRACT_WITH_FOLDERS, (scratch / "by-us").c_str(),
                           nullptr, 0, password.c_str(), nullptr, nullptr, nullptr, nullptr),
            0)
      << GetLastArchiveError(0);
  EXPECT_EQ(treeDifferences(readTree(scratch / "by-us"), tree), std::vector<std::string>{});
}

TEST(ArchiveWriter, WritesArchivesThatSevenZipAndWeExtract) {
  ScratchFolder scratch;
  const auto tree = sampleTree();
  writeTree(scratch / "source", tree);
  zel::writeSevenZip(scratch / "ours.7z", zel::entriesOfFolder(scratch / "source"));
  expectBothExtract(scratch, tree);
  // 7-Zip restores the times we recorded.
  EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(
                fs::last_write_time(scratch / "by-7zip/docs/guide/chapter.txt") -
                fs::last_write_time(scratch / "source/docs/guide/chapter.txt"))
                .count(),
            0);
}

TEST(ArchiveWriter, EncryptsDataAndHeaderWithAPassword) {
  ScratchFolder scratch;
  const auto tree = sampleTree();
  writeTree(scratch / "source", tree);
  zel::writeSevenZip(scratch / "ours.7z", zel::entriesOfFolder(scratch / "source"), 5, "secret");
  expectBothExtract(scratch, tree, "secret");
  EXPECT_NE(describe7z(scratch / "ours.7z", "secret").find("7zAES"), std::string::npos);
  // Without the password not even the names can be read.
  EXPECT_NE(
      std::system(("7zz l -p'wrong' " + quoted(scratch / "ours.7z") + " >/dev/null 2>&1").c_str()),
      0);
  ZelEntry* entries = nullptr;
  uint32_t count = 0;
  EXPECT_EQ(OpenListArchive((scratch / "ours.7z").c_str(), 0, nullptr, 0, 0, 0, "wrong", &entries,
                            &count),
            nullptr);
  EXPECT_EQ(GetLastArchiveError(0), ZEL_CANNOT_OPEN);
}

TEST(ArchiveWriter, WritesArchivesWithoutAnyData) {
  ScratchFolder scratch;
  const std::map<std::string, std::string> tree = {
      {"empty.txt", ""}, {"folder/", ""}, {"other/nested/", ""}, {"other/zero", ""}};
  writeTree(scratch / "source", tree);
  zel::writeSevenZip(scratch / "ours.7z", zel::entriesOfFolder(scratch / "source"));
  expectBothExtract(scratch, tree);
}

TEST(ArchiveWriter, WritesAnArchiveWithoutEntries) {
  ScratchFolder scratch;
  zel::writeSevenZip(scratch / "ours.7z", {});
  shell("7zz t -bso0 -bsp0 " + quoted(scratch / "ours.7z"));
  ZelEntry* entries = nullptr;
  uint32_t count = 1;
  void* handle = OpenListArchive((scratch / "ours.7z").c_str(), 0, nullptr, 0, 0, 0, nullptr,
                                 &entries, &count);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(count, 0u);
  CloseListArchive(handle);
}

TEST(ArchiveWriter, AnUnreadableFileFailsTheWrite) {
  ScratchFolder scratch;
  writeBytes(scratch / "present.txt", "data");
  const std::vector<zel::WriterEntry> entries = {
      {u"present.txt", scratch / "present.txt", false, 0, 0x20},
      {u"gone.txt", scratch / "gone.txt", false, 0, 0x20}};
  try {
    zel::writeSevenZip(scratch / "ours.7z", entries);
    ADD_FAILURE() << "the write succeeded";
  } catch (const zel::ArchiveError& error) {
    EXPECT_EQ(error.code, ZEL_WRITE_ERROR);
  }
  EXPECT_FALSE(fs::exists(scratch / "ours.7z"));
}

}  // namespace
}  // namespace kx::test
