// The headless platform's files and facts on real host files: the run's code page, directory
// search, version resources, disk space, INI files and the fixed machine.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "pe_fixture.h"
#include "platform/headless/headless_platform.h"
#include "platform/headless/windows_mask.h"
#include "platform/pe_image.h"

namespace kx::test {
namespace {

namespace fs = std::filesystem;

TEST(CodePageTest, ConvertsAsTheSystemDoes) {
  const CodePage latin1;  // 1252
  EXPECT_EQ(latin1.toUtf8("S3cr\xE9t \x80"), "S3cr\xC3\xA9t \xE2\x82\xAC");
  EXPECT_EQ(latin1.fromUtf8("S3cr\xC3\xA9t \xE2\x82\xAC"), "S3cr\xE9t \x80");
  // Missing characters and bytes that are not UTF-8 become '?'.
  EXPECT_EQ(latin1.fromUtf8("\xD0\x96uk \xFF"), "?uk ?");
  // A byte the code page leaves undefined survives a round trip.
  EXPECT_EQ(latin1.fromUtf8(latin1.toUtf8("\x81\x8D")), "\x81\x8D");
  EXPECT_EQ(latin1.toUtf16(std::string("\xE9\x80")), u"\u00E9\u20AC");
  EXPECT_EQ(latin1.fromUtf16(u"\u00E9\U0001F600"), "\xE9?");
  EXPECT_EQ(latin1.toUtf16le("A\xE9"), std::string("A\0\xE9\0", 4));
  EXPECT_EQ(latin1.fromUtf16le(std::string("A\0\xAC\x20", 4)), "A\x80");

  const CodePage cyrillic(1251);
  EXPECT_EQ(cyrillic.toUtf8("\xC6"), "\xD0\x96");
  EXPECT_EQ(cyrillic.fromUtf8("\xD0\x96\xC3\xA9"), "\xC6?");
  const CodePage utf8(CodePage::kUtf8);
  EXPECT_EQ(utf8.toUtf8("\xFF raw"), "\xFF raw");
  EXPECT_EQ(utf8.toUtf16("\xC3\xA9"), u"\u00E9");
  for (const unsigned number : {874u, 1250u, 1253u, 1254u, 1255u, 1256u, 1257u, 1258u})
    EXPECT_EQ(CodePage(number).fromUtf8(CodePage(number).toUtf8("abc\xE0")), "abc\xE0") << number;
  EXPECT_THROW(CodePage(932), std::invalid_argument);
  EXPECT_FALSE(CodePage::isSupported(437));
}

TEST(WindowsMaskTest, MatchesAsFindFirstFile) {
  struct Case {
    const char16_t* mask;
    const char16_t* name;
    bool matches;
  } cases[] = {
      {u"*.txt", u"notes.TXT", true},
      {u"*.txt", u"notes.txt.bak", false},
      {u"*.*", u"README", true},
      {u"*.*", u".", true},
      {u"*", u"..", true},
      {u"*.", u"README", true},
      {u"*.", u"a.txt", false},
      {u"a?c", u"abc", true},
      {u"a?c", u"ac", false},
      {u"ab?", u"ab", true},
      {u"ab??.txt", u"ab.txt", true},
      {u"ab?", u"ab.c", false},
      {u"*.t?", u"x.t", true},
      {u"*.?", u"noext", true},
      {u"caf\u00C9.*", u"caf\u00E9.doc", true},
      {u"file.txt", u"FILE.TXT", true},
      {u"file.txt.", u"file.txt", true},
      {u"file.txt", u"file.txt2", false},
      {u"*a*b", u"xaxxb", true},
      {u"*a*b", u"xaxxbc", false},
      {u"...", u".", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(WindowsMask(c.mask).matches(c.name), c.matches)
        << std::string(CodePage().fromUtf16(c.mask)) << " / " << CodePage().fromUtf16(c.name);
}

class HeadlessPlatformTest : public ::testing::Test {
 protected:
  HeadlessPlatformTest() {
    char folder[] = "/tmp/kx-headless.XXXXXX";
    root_ = mkdtemp(folder);
    fs::create_directories(root_ + "/tree/Sub Folder");
    fs::create_directories(root_ + "/tree/caf\xC3\xA9");
    for (const char* name : {"b.txt", "A.TXT", "c.doc", "README", "\xD0\x96uk.txt"})
      std::ofstream(root_ + "/tree/" + name) << name;
  }
  ~HeadlessPlatformTest() override { fs::remove_all(root_); }
  std::string windows(const std::string& host) { return headless_.sandbox.windowsPath(host); }
  std::vector<std::string> found(const std::string& pattern) {
    std::vector<std::string> names;
    for (const auto& entry : headless_.files.findEntries(pattern))
      names.push_back(entry.name + (entry.isFolder ? "\\" : ""));
    return names;
  }

  std::string root_;
  std::ostringstream log_;
  HeadlessPlatform headless_{"/nonexistent-sandbox", "/zelrun", log_};
};

TEST_F(HeadlessPlatformTest, PathsAreCodePageTextsOnTheHost) {
  EXPECT_EQ(windows(root_ + "/tree/caf\xC3\xA9"), windows(root_) + "\\tree\\caf\xE9");
  EXPECT_TRUE(headless_.files.folderExists(windows(root_) + "\\tree\\caf\xE9"));
  EXPECT_TRUE(headless_.files.createFolders(windows(root_) + "\\new\\\xE9t\xE9"));
  EXPECT_TRUE(fs::is_directory(root_ + "/new/\xC3\xA9t\xC3\xA9"));
  EXPECT_EQ(headless_.files.longPathName(windows(root_) + "\\TREE\\CAF\xE9"),
            windows(root_) + "\\tree\\caf\xE9");
}

TEST_F(HeadlessPlatformTest, FindEntriesListsInNameOrder) {
  const std::string tree = windows(root_) + "\\tree\\";
  EXPECT_EQ(found(tree + "*.*"),
            (std::vector<std::string>{".\\", "..\\", "A.TXT", "b.txt", "c.doc", "caf\xE9\\",
                                      "README", "Sub Folder\\", "?uk.txt"}));
  EXPECT_EQ(found(tree + "*.txt"), (std::vector<std::string>{"A.TXT", "b.txt", "?uk.txt"}));
  EXPECT_EQ(found(tree + "*."),
            (std::vector<std::string>{".\\", "..\\", "caf\xE9\\", "README", "Sub Folder\\"}));
  EXPECT_EQ(found(tree + "sub folder"), (std::vector<std::string>{"Sub Folder\\"}));
  EXPECT_EQ(found(tree + "CAF\xC9"), (std::vector<std::string>{"caf\xE9\\"}));
  EXPECT_TRUE(found(tree + "*.none").empty());
  EXPECT_TRUE(found(windows(root_) + "\\missing\\*.*").empty());
  EXPECT_TRUE(found(tree + "README\\*.*").empty());
  // A drive's root lists no "." and "..".
  for (const auto& entry : headless_.files.findEntries("Z:\\*")) EXPECT_NE(entry.name, ".");
}

TEST_F(HeadlessPlatformTest, FindEntriesOfAFolderThatCannotBeListed) {
  if (geteuid() == 0) GTEST_SKIP() << "root lists every folder";
  fs::create_directories(root_ + "/closed");
  ::chmod((root_ + "/closed").c_str(), 0);
  EXPECT_TRUE(found(windows(root_) + "\\closed\\*.*").empty());
  ::chmod((root_ + "/closed").c_str(), 0700);
}

TEST_F(HeadlessPlatformTest, VersionOfProgramsMadeByTheResourceCompiler) {
  for (const char* program : {"i686-version.exe", "x86_64-version.exe"}) {
    const auto information =
        headless_.files.versionInformation(windows(std::string(KX_PE_FIXTURE_DIR) + "/" + program));
    ASSERT_TRUE(information) << program;
    EXPECT_EQ(information->fileVersion, (FileVersion{10, 65535, 2600, 1})) << program;
    EXPECT_EQ(information->firstTranslation, 0x04E40407u) << program;  // 0x407, 1252
  }
  const std::string plain = windows(std::string(KX_PE_FIXTURE_DIR) + "/i686.exe");
  EXPECT_EQ(headless_.files.versionInformation(plain), std::nullopt);
  EXPECT_EQ(headless_.files.versionInformation(windows(root_) + "\\tree\\README"), std::nullopt);
  EXPECT_EQ(headless_.files.versionInformation(windows(root_) + "\\tree"), std::nullopt);
  EXPECT_EQ(headless_.files.versionInformation(windows(root_) + "\\missing.exe"), std::nullopt);
}

TEST(PeImageTest, EveryCutOrDamageOfAProgramIsRefusedOrReadWithinItsBytes) {
  const std::string program = realProgram("x86_64-version.exe");
  const auto whole = PeImage::read(program)->versionInformation();
  ASSERT_TRUE(whole);
  // A cut file gives the whole file's answer or none.
  for (size_t size = 0; size < program.size(); size += 7) {
    const auto image = PeImage::read(std::string_view(program).substr(0, size));
    const auto information = image ? image->versionInformation() : std::nullopt;
    if (information) {
      EXPECT_EQ(information->fileVersion, whole->fileVersion) << size;
    }
  }
  std::string damaged = program;
  for (size_t at = 0; at < damaged.size(); at += 13) {
    damaged[at] = static_cast<char>(~damaged[at]);
    if (const auto image = PeImage::read(damaged)) (void)image->versionInformation();
  }
}

TEST_F(HeadlessPlatformTest, DiskSpaceOfFolders) {
  const DiskSpace space = headless_.files.diskSpace(windows(root_));
  EXPECT_GT(space.totalBytes, 0u);
  EXPECT_LE(space.freeBytes, space.totalBytes);
  EXPECT_EQ(headless_.files.diskSpace(windows(root_) + "\\missing").totalBytes, 0u);
  EXPECT_EQ(headless_.files.diskSpace(windows(root_) + "\\tree\\README").totalBytes, 0u);
}

TEST_F(HeadlessPlatformTest, ReadableFiles) {
  const auto file = headless_.files.openForReading(windows(root_) + "\\tree\\README");
  ASSERT_TRUE(file);
  char buffer[16];
  EXPECT_EQ(std::string(buffer, file->read(buffer, sizeof buffer)), "README");
  EXPECT_EQ(file->read(buffer, sizeof buffer), 0u);
  EXPECT_FALSE(headless_.files.openForReading(windows(root_) + "\\tree"));
  EXPECT_FALSE(headless_.files.openForReading(windows(root_) + "\\missing"));
}

std::vector<std::string> split(const std::string& line, char separator) {
  std::vector<std::string> parts(1);
  for (const char c : line) {
    if (c == separator)
      parts.emplace_back();
    else
      parts.back().push_back(c);
  }
  return parts;
}

TEST_F(HeadlessPlatformTest, IniLookupsOfTheTable) {
  const std::string folder = std::string(KX_SOURCE_DIR) + "/tests/data/ini";
  std::ifstream table(folder + "/cases.tsv", std::ios::binary);
  std::string line;
  int cases = 0;
  while (std::getline(table, line)) {
    if (line.empty() || line[0] == '#') continue;
    const auto fields = split(line, '\t');
    ASSERT_EQ(fields.size(), 4u) << line;
    EXPECT_EQ(headless_.files.iniValue(windows(folder + "/" + fields[0]), fields[1], fields[2]),
              fields[3])
        << line;
    ++cases;
  }
  EXPECT_GE(cases, 20);
}

TEST(HeadlessIniTest, BareNamesAreInTheWindowsFolder) {
  char folder[] = "/tmp/kx-ini.XXXXXX";
  const std::string sandbox = mkdtemp(folder);
  fs::create_directories(sandbox + "/drives/c/Windows");
  std::ofstream(sandbox + "/drives/c/Windows/setup.ini") << "[s]\nk=windows folder\n";
  std::ostringstream log;
  HeadlessPlatform headless(sandbox, "/zelrun", log);
  EXPECT_EQ(headless.files.iniValue("setup.ini", "s", "k"), "windows folder");
  EXPECT_EQ(headless.files.iniValue("C:\\Windows\\setup.ini", "S", "K"), "windows folder");
  fs::remove_all(sandbox);
}

TEST_F(HeadlessPlatformTest, TheFixedMachine) {
  SystemInfo& system = headless_.system;
  const WindowsVersion version = system.windowsVersion();
  EXPECT_TRUE(version.ntFamily);
  EXPECT_EQ(version.major, 6u);
  EXPECT_EQ(version.minor, 1u);
  EXPECT_EQ(version.build, 7601u);
  EXPECT_EQ(version.servicePack, "Service Pack 1");
  EXPECT_GT(system.totalPhysicalMemory(), uint64_t{1} << 20);
  EXPECT_EQ(system.screen().width, 1024);
  EXPECT_EQ(system.screen().pixelsPerInch, 96);
  EXPECT_EQ(system.specialFolder(0x1A), "C:\\Users\\user\\AppData\\Roaming");
  EXPECT_EQ(system.specialFolder(0x2F),
            "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Administrative Tools");
  EXPECT_EQ(system.specialFolder(0x99), "");
  EXPECT_EQ(system.systemFolder(), "C:\\Windows\\system32");
  EXPECT_EQ(system.windowsFolder(), "C:\\Windows");
  EXPECT_EQ(system.firstCdromDrive(), "");
  EXPECT_EQ(system.languageName(0x409), "English (United States)");
  EXPECT_EQ(system.languageName(0x7777), "Language Neutral");
  EXPECT_TRUE(system.isMemberOf(UserGroup::Administrators));
  EXPECT_FALSE(system.isMemberOf(UserGroup::Guests));
  EXPECT_FALSE(system.computerName().empty());
  EXPECT_EQ(system.userDomain(), system.computerName());
}

TEST_F(HeadlessPlatformTest, EnvironmentInTheCodePage) {
  setenv("KX_TEST_PLACE", "caf\xC3\xA9", 1);
  const char* user = std::getenv("USER");
  const std::string savedUser = user ? user : "";
  setenv("USER", "j\xC3\xBCrgen", 1);
  SystemInfo& system = headless_.system;
  struct Case {
    const char* text;
    const char* expanded;
  } cases[] = {
      {"%KX_TEST_PLACE%", "caf\xE9"},
      {"a %kx_test_place% b", "a caf\xE9 b"},
      {"%KX_TEST_UNSET%", "%KX_TEST_UNSET%"},
      {"%KX_TEST_UNSET%KX_TEST_PLACE%", "%KX_TEST_UNSET%KX_TEST_PLACE%"},
      {"100%", "100%"},
      {"%%", "%%"},
      {"50% of %KX_TEST_PLACE%", "50% of %KX_TEST_PLACE%"},
  };
  for (const auto& c : cases) EXPECT_EQ(system.expandEnvironment(c.text), c.expanded) << c.text;
  EXPECT_EQ(system.userName(), "j\xFCrgen");
  unsetenv("KX_TEST_PLACE");
  if (user)
    setenv("USER", savedUser.c_str(), 1);
  else
    unsetenv("USER");
}

}  // namespace
}  // namespace kx::test
