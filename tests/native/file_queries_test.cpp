#include <gtest/gtest.h>

#include "system/file_queries.h"
#include "tests/native/engine_fixture.h"

namespace kx::test {
namespace {

class FileQueriesTest : public EngineTest {
 protected:
  void addFile(const std::string& path, const std::string& bytes = "") {
    fake.writeFile(path, bytes);
  }
  void addVersion(const std::string& path, FileVersion version) {
    addFile(path, "MZ");
    fake.versions[upperAscii(path)] = {version, std::nullopt};
  }
};

// ---- Check File Version and Get File Version -------------------------------------------------

struct VersionCase {
  const char* name;
  FileVersion file;
  std::string reference;
  std::string expected;
};
void PrintTo(const VersionCase& c, std::ostream* out) {
  *out << c.name;
}

class CheckFileVersionText : public FileQueriesTest,
                             public ::testing::WithParamInterface<VersionCase> {};

TEST_P(CheckFileVersionText, AnswersTrueOnlyWhenTheFileIsNewer) {
  const VersionCase& c = GetParam();
  addVersion("C:\\App\\app.exe", c.file);
  ASSERT_EQ(
      run({{"Check File Version", {"NEWER", "C:\\App\\app.exe", "FALSE", "", c.reference}}}).end,
      RunEnd::Normal);
  EXPECT_EQ(var("NEWER"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CheckFileVersionText,
    ::testing::Values(
        VersionCase{"EqualShortText", {1, 0, 0, 0}, "1.0", "FALSE"},
        VersionCase{"BuildAboveShortText", {1, 0, 0, 1}, "1.0", "TRUE"},
        VersionCase{"TwoPartsReadAsFour", {1, 2, 0, 0}, "1.2", "FALSE"},
        VersionCase{"MinorDecidesBeforeBuild", {1, 2, 0, 0}, "1.1.9.9", "TRUE"},
        VersionCase{"OlderFile", {1, 2, 3, 4}, "1.2.3.5", "FALSE"},
        VersionCase{"LastPartNotANumberIsZero", {1, 2, 0, 1}, "1.2.beta", "TRUE"},
        VersionCase{"EmptyTextIsZero", {0, 0, 0, 1}, "", "TRUE"},
        VersionCase{"PartsAbove16BitsCompareUnsigned", {9, 0, 0, 0}, "70000", "FALSE"},
        VersionCase{"NegativePartIsAHugeUnsignedNumber", {9, 0, 0, 0}, "-1.0", "FALSE"},
        VersionCase{"HexadecimalPart", {16, 0, 0, 0}, "$F.0", "TRUE"},
        VersionCase{"FifthPartIgnored", {1, 2, 3, 4}, "1.2.3.4.9", "FALSE"}));

TEST_F(FileQueriesTest, CheckFileVersionComparesWithASecondFile) {
  addVersion("C:\\App\\new.dll", {2, 0, 0, 0});
  addVersion("C:\\App\\old.dll", {1, 9, 9, 9});
  ASSERT_EQ(run({{"Check File Version", {"A", "C:\\App\\new.dll", "TRUE", "C:\\App\\old.dll", ""}},
                 {"Check File Version", {"B", "C:\\App\\old.dll", "-1", "C:\\App\\new.dll", ""}},
                 // A file without version information is 0.0.0.0.
                 {"Check File Version", {"C", "C:\\App\\new.dll", "TRUE", "C:\\none.dll", ""}}})
                .end,
            RunEnd::Normal);
  EXPECT_EQ(var("A"), "TRUE");
  EXPECT_EQ(var("B"), "FALSE");
  EXPECT_EQ(var("C"), "TRUE");
}

TEST_F(FileQueriesTest, AVersionPartBeforeADotThatIsNoNumberIsAScriptError) {
  addVersion("C:\\App\\app.exe", {1, 0, 0, 0});
  EXPECT_EQ(run({{"Check File Version", {"V", "C:\\App\\app.exe", "FALSE", "", "1.x.3"}}}).end,
            RunEnd::Error);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_NE(fake.boxes[0].text.find("'x' is not a valid integer value"), std::string::npos)
      << fake.boxes[0].text;
}

TEST_F(FileQueriesTest, GetFileVersionWritesFourDecimalParts) {
  addVersion("C:\\Windows\\system32\\shell32.dll", {5, 1, 2600, 0});
  ASSERT_EQ(run({{"Set Variable", {"SYS", "C:\\Windows\\\\system32"}},
                 {"Get File Version", {"$SYS$\\\\shell32.dll", "$VER$"}},
                 {"Get File Version", {"C:\\missing.dll", "none"}}})
                .end,
            RunEnd::Normal);
  EXPECT_EQ(var("VER"), "5.1.2600.0");
  EXPECT_EQ(var("NONE"), "0.0.0.0");
}

// ---- Does File/Folder Exist, Check Disk Space, Get INI File Settings --------------------------

TEST_F(FileQueriesTest, DoesFileFolderExistTellsFilesFromFolders) {
  addFile("C:\\Data\\report.txt");
  fake.folders.insert("C:\\DATA\\SUB");
  ASSERT_EQ(run({{"Does File/Folder Exist", {"FILE", "C:\\Data\\report.txt", "TRUE"}},
                 {"Does File/Folder Exist", {"PATTERN", "C:\\Data\\*.txt", "TRUE"}},
                 {"Does File/Folder Exist", {"FOLDERASFILE", "C:\\Data\\Sub", "TRUE"}},
                 {"Does File/Folder Exist", {"FOLDER", "C:\\Data\\Sub", "FALSE"}},
                 {"Does File/Folder Exist", {"FILEASFOLDER", "C:\\Data\\report.txt", "FALSE"}},
                 {"Does File/Folder Exist", {"MISSING", "C:\\Data\\none.txt", "TRUE"}}})
                .end,
            RunEnd::Normal);
  EXPECT_EQ(var("FILE"), "TRUE");
  EXPECT_EQ(var("PATTERN"), "TRUE");
  EXPECT_EQ(var("FOLDERASFILE"), "FALSE");
  EXPECT_EQ(var("FOLDER"), "TRUE");
  EXPECT_EQ(var("FILEASFOLDER"), "FALSE");
  EXPECT_EQ(var("MISSING"), "FALSE");
}

TEST_F(FileQueriesTest, CheckDiskSpaceWritesFreeOrTotalBytes) {
  fake.disks["C:"] = {uint64_t{5} << 40, uint64_t{8} << 40};
  ASSERT_EQ(run({{"Check Disk Space", {"$free$", "C:\\Program Files", "TRUE"}},
                 {"Check Disk Space", {"total", "C:\\", "FALSE"}},
                 {"Check Disk Space", {"NODISK", "Q:\\", "TRUE"}}})
                .end,
            RunEnd::Normal);
  EXPECT_EQ(var("FREE"), "5497558138880");
  EXPECT_EQ(var("TOTAL"), "8796093022208");
  EXPECT_EQ(var("NODISK"), "0");
  const auto names = engine.store.snapshot();
  EXPECT_TRUE(std::any_of(names.begin(), names.end(), [](const Variable& v) {
    return v.name == "FREE";
  })) << "the $NAME$ form writes the variable NAME, upper-cased";
}

TEST_F(FileQueriesTest, GetIniFileSettingsReadsThroughTheProfileReader) {
  fake.iniValues["C:\\APP\\APP.INI|SETUP|PATH"] = "C:\\Program Files\\App";
  ASSERT_EQ(run({{"Set Variable", {"INI", "C:\\App\\\\app.ini"}},
                 {"Get INI File Settings", {"P", "$INI$", "Setup", "Path"}},
                 {"Get INI File Settings", {"Q", "$INI$", "Setup", "Missing"}}})
                .end,
            RunEnd::Normal);
  EXPECT_EQ(var("P"), "C:\\Program Files\\App");
  EXPECT_EQ(var("Q"), "");
}

// ---- Find All Files ---------------------------------------------------------------------------

class FindAllFilesTest : public FileQueriesTest {
 protected:
  void SetUp() override {
    addFile("C:\\Tree\\b.txt");
    addFile("C:\\Tree\\a b.txt");
    addFile("C:\\Tree\\skip.log");
    addFile("C:\\Tree\\Sub\\c.txt");
    addFile("C:\\Tree\\Sub\\Deeper\\d.txt");
    fake.folders.insert("C:\\TREE\\EMPTY");
  }
  std::string find(const std::string& pattern, const std::string& subfolders,
                   const std::string& folders) {
    EXPECT_EQ(run({{"Find All Files", {pattern, subfolders, folders, "$FOUND$"}}}).end,
              RunEnd::Normal);
    return var("FOUND");
  }
};

TEST_F(FindAllFilesTest, ListsEachSubfolderAfterItsOwnResultsAndThenTheFolderFiles) {
  EXPECT_EQ(find("C:\\Tree\\*.txt", "TRUE", "TRUE"),
            "C:\\Tree\\EMPTY|C:\\Tree\\Sub\\Deeper\\d.txt|C:\\Tree\\Sub\\Deeper|"
            "C:\\Tree\\Sub\\c.txt|C:\\Tree\\Sub|\"C:\\Tree\\a b.txt\"|C:\\Tree\\b.txt");
}

TEST_F(FindAllFilesTest, WithoutSubfoldersOrFolders) {
  EXPECT_EQ(find("C:\\Tree\\*.txt", "FALSE", "FALSE"), "\"C:\\Tree\\a b.txt\"|C:\\Tree\\b.txt");
  EXPECT_EQ(find("C:\\Tree\\*.*", "FALSE", "TRUE"),
            "C:\\Tree\\EMPTY|C:\\Tree\\Sub|\"C:\\Tree\\a b.txt\"|C:\\Tree\\b.txt|"
            "C:\\Tree\\skip.log");
}

TEST_F(FindAllFilesTest, AFolderThatDoesNotExistGivesAnEmptyText) {
  EXPECT_EQ(find("C:\\Nowhere\\*.txt", "TRUE", "TRUE"), "");
  EXPECT_EQ(engine.progress.maximum, 100);
}

TEST_F(FindAllFilesTest, StopsAtTheFileAfterWhichCancelWasSet) {
  std::atomic<bool> cancel = false;
  FileSearch search;
  search.subfolders = true;
  search.cancel = &cancel;
  std::vector<std::string> seen;
  search.found = [&](const std::string& path) {
    seen.push_back(path);
    cancel = true;
  };
  const auto found = findAllFiles(fake, "C:\\Tree\\*.txt", search);
  EXPECT_EQ(found, std::vector<std::string>{"C:\\Tree\\Sub\\Deeper\\d.txt"});
  EXPECT_EQ(seen, found);
}

// ---- Read from Text File and Write to Text File -----------------------------------------------

Statement readLine(const std::string& file = "C:\\notes.txt") {
  return {"Read from Text File", {file, "LINE", "EOF"}};
}

TEST_F(FileQueriesTest, ReadsLineByLineAndStartsOverAfterTheEnd) {
  addFile("C:\\notes.txt", "one\r\ntwo\nthree\r\n");
  ASSERT_EQ(run({readLine(),
                 {"Set Variable", {"L1", "$LINE$/$EOF$"}},
                 readLine(),
                 {"Set Variable", {"L2", "$LINE$/$EOF$"}},
                 readLine(),
                 {"Set Variable", {"L3", "$LINE$/$EOF$"}},
                 readLine(),
                 {"Set Variable", {"L4", "$LINE$/$EOF$"}}})
                .end,
            RunEnd::Normal);
  EXPECT_EQ(var("L1"), "one/FALSE");
  EXPECT_EQ(var("L2"), "two/FALSE");
  EXPECT_EQ(var("L3"), "three/TRUE");
  EXPECT_EQ(var("L4"), "one/FALSE");
}

TEST_F(FileQueriesTest, AnEmptyOrUnopenableFileIsAtItsEndAndLeavesTheLineAsItWas) {
  addFile("C:\\empty.txt", "");
  addFile("C:\\locked.txt", "secret\r\n");
  fake.unreadableFiles.insert("C:\\LOCKED.TXT");
  ASSERT_EQ(run({{"Set Variable", {"LINE", "before"}},
                 readLine("C:\\empty.txt"),
                 {"Set Variable", {"A", "$LINE$/$EOF$"}},
                 {"Set Variable", {"EOF", ""}},
                 readLine("C:\\locked.txt"),
                 {"Set Variable", {"B", "$LINE$/$EOF$"}},
                 {"Set Variable", {"EOF", ""}},
                 readLine("C:\\missing.txt"),
                 {"Set Variable", {"C", "$LINE$/$EOF$"}}})
                .end,
            RunEnd::Normal);
  EXPECT_EQ(var("A"), "before/TRUE");
  EXPECT_EQ(var("B"), "before/TRUE");
  EXPECT_EQ(var("C"), "before/TRUE");
}

TEST_F(FileQueriesTest, LineBreaksOfEveryKindAndBytesOfEveryValueSurvive) {
  // Bytes 1-255 apart from the line breaks, and a NUL, in one line; then CR-only and a last
  // line without a break; a long line that spans many reads, its CR LF split across a read.
  std::string everyByte(1, '\0');
  for (int c = 1; c < 256; ++c)
    if (c != '\r' && c != '\n') everyByte += static_cast<char>(c);
  const std::string longLine(64 * 1024 * 3 - 1, 'x');
  addFile("C:\\bytes.bin", everyByte + "\r\n" + longLine + "\r\nmac\rlast");
  ASSERT_EQ(run({readLine("C:\\bytes.bin"),
                 {"Set Variable", {"A", "$LINE$"}},
                 readLine("C:\\bytes.bin"),
                 {"Set Variable", {"B", "$LINE$"}},
                 readLine("C:\\bytes.bin"),
                 {"Set Variable", {"C", "$LINE$/$EOF$"}},
                 readLine("C:\\bytes.bin")})
                .end,
            RunEnd::Normal);
  EXPECT_EQ(var("A"), everyByte);
  EXPECT_EQ(var("B"), longLine);
  EXPECT_EQ(var("C"), "mac/FALSE");
  EXPECT_EQ(var("LINE"), "last");
  EXPECT_EQ(var("EOF"), "TRUE");
}

TEST_F(FileQueriesTest, ReadingAnotherFileStartsThatFileFromItsFirstLine) {
  addFile("C:\\a.txt", "a1\r\na2\r\n");
  addFile("C:\\b.txt", "b1\r\nb2\r\n");
  ASSERT_EQ(run({readLine("C:\\a.txt"),
                 readLine("C:\\b.txt"),
                 readLine("c:\\B.TXT"),
                 {"Set Variable", {"B", "$LINE$"}},
                 readLine("C:\\a.txt")})
                .end,
            RunEnd::Normal);
  EXPECT_EQ(var("B"), "b2");
  EXPECT_EQ(var("LINE"), "a1");
}

TEST_F(FileQueriesTest, WriteToTextFileInsertsFirstOrAppendsAndRewritesReadOnlyFiles) {
  addFile("C:\\log.txt", "middle\nend");
  fake.readOnlyFiles.insert("C:\\LOG.TXT");
  ASSERT_EQ(run({{"Write to Text File", {"C:\\log.txt", "start", "TRUE"}},
                 {"Write to Text File", {"C:\\log.txt", "$TITLE$ done", "FALSE"}},
                 {"Write to Text File", {"C:\\new.txt", "only", "FALSE"}}})
                .end,
            RunEnd::Normal);
  EXPECT_EQ(fake.files["C:\\LOG.TXT"], "start\r\nmiddle\r\nend\r\nTest done\r\n");
  EXPECT_FALSE(fake.readOnlyFiles.contains("C:\\LOG.TXT"));
  EXPECT_EQ(fake.files["C:\\NEW.TXT"], "only\r\n");
}

TEST_F(FileQueriesTest, WritingTheFileBeingReadStartsTheNextReadOver) {
  addFile("C:\\notes.txt", "one\r\ntwo\r\n");
  ASSERT_EQ(
      run({readLine(), {"Write to Text File", {"C:\\NOTES.txt", "three", "FALSE"}}, readLine()})
          .end,
      RunEnd::Normal);
  EXPECT_EQ(var("LINE"), "one");
  EXPECT_EQ(var("EOF"), "FALSE");
}

}  // namespace
}  // namespace kx::test
