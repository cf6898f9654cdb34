// The recording commands and the package edits they lead to, over the fake platform.
#include <gtest/gtest.h>

#include "installer/package_edits.h"
#include "installer/recording.h"
#include "tests/native/engine_fixture.h"

namespace kx::test {
namespace {

using Rows = NameValueList;

const Statement kEnd{"End", {}};
const Statement kMark{"Comment", {"mark"}};

class RecordingTest : public EngineTest {
 protected:
  // Runs the statements with command header i + "H" for statement i + 1 (where given).
  RunResult runWithHeaders(const std::vector<Statement>& statements,
                           const std::vector<std::string>& headers) {
    engine.script = buildScript(statements);
    for (size_t i = 0; i < headers.size(); ++i) {
      if (headers[i].empty()) continue;
      engine.script.commandHeaders.push_back(headers[i]);
      engine.script.commandHeaders.push_back(std::to_string(i));
    }
    engine.script.rebuildIndexes();
    return runScript(engine);
  }
  void setGermanTranslations(size_t statement, const std::vector<std::string>& slots) {
    fake.writeFile(engine.options.supportFolder + "Test.mtx", statementIdFor(statement) + "\r\n");
    fake.writeFile(engine.options.supportFolder + "translations.Map", "1\r\n");
    fake.writeFile(engine.options.supportFolder + "translations.German", joinLines(slots));
    engine.options.overrides.emplace_back("LANGUAGE", "German");
  }
  const Rows& recorded() { return engine.changes.recordedProperties; }
};

// One row per recording command: the parameter line behind each value property in order, and
// the translation slot of each translated line.
struct RecordingCase {
  std::string command;
  std::vector<int> valueLines;
  std::vector<std::pair<int, int>> translatedLines;  // line, slot
};

const RecordingCase kRecordingCases[] = {
    {"Install Files", {3}, {}},
    {"Create Folder", {1}, {}},
    {"Copy/Move Local Files", {1, 3}, {}},
    {"Delete Files", {1}, {}},
    {"Create Shortcut", {3, 1, 5, 6}, {{2, 1}, {4, 2}}},
    {"Advertised Shortcut", {3, 1, 5, 6}, {{2, 1}, {4, 2}}},
    {"Write Registry", {3, 4, 5}, {}},
    {"Edit INI File", {1, 4, 5, 6}, {}},
    {"Set Environment", {2}, {}},
    {"Create File Type", {1, 2, 3, 4, 5}, {{1, 1}, {3, 2}}},
    {"Advertised File Type", {}, {{1, 1}, {3, 2}}},
    {"Install Assembly", {3}, {}},
    {"Control Service", {1, 2}, {{1, 1}}},
    {"Install Service", {2, 4, 5, 9, 10, 13, 14, 15, 6}, {{4, 1}, {5, 2}, {6, 3}, {9, 4}, {10, 5}}},
    {"Create ODBC DSN", {}, {}},
    {"Install ODBC Driver", {4}, {}},
};

// Parameter line n reads "L" + n ("TRUE" for the delete modes, which validation requires).
std::vector<std::string> numberedLines(const std::string& command) {
  std::vector<std::string> lines;
  for (int n = 1; n <= 15; ++n) lines.push_back("L" + std::to_string(n));
  if (command == "Delete Files") lines[2] = "TRUE";
  return lines;
}

TEST_F(RecordingTest, EveryRecordingCommandRecordsItsValuePropertiesInOrder) {
  for (const bool german : {false, true}) {
    for (const RecordingCase& c : kRecordingCases) {
      SCOPED_TRACE(c.command + (german ? " in German" : ""));
      engine.options.overrides.clear();
      if (german) setGermanTranslations(1, {"T1", "T2", "T3", "T4", "T5"});
      const RunResult result = runWithHeaders({{c.command, numberedLines(c.command)}}, {"H"});
      ASSERT_TRUE(result.validation.ok()) << result.validation.message;
      const auto lineText = [&](int line) {
        for (const auto& [translated, slot] : c.translatedLines)
          if (german && translated == line) return "T" + std::to_string(slot);
        return "L" + std::to_string(line);
      };
      Rows expected = {{"AH", "FALSE"}, {"AH", "TRUE"}};
      for (size_t n = 1; n <= c.valueLines.size(); ++n)
        expected.emplace_back("PH_" + std::to_string(n), lineText(c.valueLines[n - 1]));
      EXPECT_EQ(recorded(), expected);
      EXPECT_EQ(engine.changes.pendingRows, expected);

      // The shortcut and file type commands queue their renames from the translated lines.
      const bool shortcut = c.command.ends_with("Shortcut");
      ASSERT_EQ(engine.changes.shortcutRenames.size(), shortcut ? 1u : 0u);
      if (shortcut) {
        const ShortcutRename& rename = engine.changes.shortcutRenames[0];
        EXPECT_EQ(rename.directoryKey, "PH_1");
        EXPECT_EQ(rename.name, lineText(2) + "~1|" + lineText(2));
        EXPECT_EQ(rename.description, lineText(4));
      }
      const bool fileType = c.command == "Advertised File Type";
      ASSERT_EQ(engine.changes.progIdRenames.size(), fileType ? 1u : 0u);
      if (fileType) {
        const ProgIdRename& rename = engine.changes.progIdRenames[0];
        EXPECT_EQ(rename.progIdAsWritten, "L1");
        EXPECT_EQ(rename.progId, lineText(1));
        EXPECT_EQ(rename.description, lineText(3));
      }
    }
  }
}

TEST_F(RecordingTest, StartOfRunPassSwitchesEveryStatementWithAHeaderOff) {
  // Without recording commands, and with a gap in the header table.
  runWithHeaders({kMark, kMark, kMark}, {"ONE", "", "THREE"});
  EXPECT_EQ(engine.changes.pendingRows, (Rows{{"AONE", "FALSE"}, {"ATHREE", "FALSE"}}));
  EXPECT_EQ(recorded(), engine.changes.pendingRows);
}

TEST_F(RecordingTest, StatementRecordedTwiceKeepsBothEntriesTheLaterLast) {
  // A loop runs "Create Folder" with DIR "a" and then "b".
  const RunResult result = runWithHeaders({{"Set Variable", {"DIR", "a"}},
                                           {"Label", {"again"}},
                                           {"Create Folder", {"C:\\$DIR$"}},
                                           {"If", {"DIR", "0", "a", "FALSE"}},
                                           {"Set Variable", {"DIR", "b"}},
                                           {"GoTo Label", {"again"}},
                                           kEnd},
                                          {"", "", "F"});
  ASSERT_TRUE(result.validation.ok()) << result.validation.message;
  EXPECT_EQ(
      recorded(),
      (Rows{
          {"AF", "FALSE"}, {"AF", "TRUE"}, {"PF_1", "C:\\a"}, {"AF", "TRUE"}, {"PF_1", "C:\\b"}}));
}

TEST_F(RecordingTest, RecordingWithoutAHeaderIsAScriptErrorAndRecordsNothing) {
  runWithHeaders({kMark, {"Create Folder", {"C:\\x"}}}, {"M"});
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_NE(fake.boxes[0].text.find(
                "Line 2: Unable to obtain command headers. Please rebuild your project."),
            std::string::npos)
      << fake.boxes[0].text;
  EXPECT_EQ(recorded(), (Rows{{"AM", "FALSE"}}));
}

TEST_F(RecordingTest, ValuesArePreparedAndKeepLineBreaksAsMarks) {
  engine.options.overrides = {{"SERVER", "\\\\\\\\files\\\\setup"}, {"TWO", "one\r\ntwo"}};
  runWithHeaders({{"Write Registry", {"", "", "$SERVER$\\\\x", "$TWO$", "C:\\\\\\dir"}}}, {"R"});
  EXPECT_EQ(recorded(), (Rows{{"AR", "FALSE"},
                              {"AR", "TRUE"},
                              {"PR_1", "\\\\files\\setup\\x"},
                              {"PR_2", "one$NEWLINE$two"},
                              {"PR_3", "C:\\\\dir"}}));
}

TEST(CollapsedBackslashes, PairsBecomeOneAndAUncPathKeepsTwo) {
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\\\Program Files\\\\App", "C:\\Program Files\\App"},
      {"\\\\server\\share", "\\\\server\\share"},
      {"\\\\\\\\server\\\\share", "\\\\server\\share"},
      {"\\\\\\x", "\\\\x"},
      {"C:\\dir\\", "C:\\dir\\"},
      {"", ""},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(collapsedBackslashes(text), expected) << text;
}

TEST_F(RecordingTest, ShortcutNameTakesSixCharactersWithoutBlanksAsItsShortForm) {
  const std::pair<const char*, const char*> cases[] = {
      {"Help", "Help~1|Help"},
      {"Kestrix Tools", "Kestri~1|Kestrix Tools"},
      {"  My App", "My A~1|  My App"},
      {"Setup x", "Setup~1|Setup x"},
  };
  for (const auto& [name, expected] : cases) {
    runWithHeaders({{"Create Shortcut", {"", name, "", "", "", ""}}}, {"S"});
    ASSERT_EQ(engine.changes.shortcutRenames.size(), 1u);
    EXPECT_EQ(engine.changes.shortcutRenames[0].name, expected);
  }
}

TEST_F(RecordingTest, AdvertisedFileTypeRenamesTheProgIdAsWritten) {
  engine.options.overrides = {{"VENDOR", "Kestrix"}};
  runWithHeaders({{"Advertised File Type", {"$VENDOR$.Document", "", "A document"}}}, {"T"});
  ASSERT_EQ(engine.changes.progIdRenames.size(), 1u);
  const ProgIdRename& rename = engine.changes.progIdRenames[0];
  EXPECT_EQ(rename.progIdAsWritten, "$VENDOR$.Document");
  EXPECT_EQ(rename.progId, "Kestrix.Document");
  EXPECT_EQ(rename.description, "A document");
}

TEST_F(RecordingTest, InstallFilesFetchesItsMediaBlockOnlyInLocalCacheMode) {
  int fetches = 0;
  static int* counter = nullptr;
  counter = &fetches;
  CommandTable commands = engineCommands();
  commands.hooks.fetchStatementMedia = [](Engine&) { ++*counter; };
  Engine local(fake.platform(), commands);
  local.options = engine.options;
  for (const auto& [mode, block, expected] :
       {std::tuple{2, "Block1", 1}, {2, "", 0}, {0, "Block1", 0}}) {
    fetches = 0;
    local.script = buildScript({{"Install Files", {"", "", "$TARGETDIR$"}}});
    local.script.sourceMode = mode;
    local.script.mediaBlocks = {block};
    local.script.commandHeaders = {"I", "0"};
    local.script.rebuildIndexes();
    runScript(local);
    EXPECT_EQ(fetches, expected) << mode << " " << block;
    EXPECT_EQ(local.changes.recordedProperties.size(), 3u);
  }
}

struct DeleteRegistryCase {
  const char* description;
  std::vector<std::string> parameters;
  // What is left of HKCU\Software\K (values "" and "v", subkey "Sub" with value "w") and of
  // HKLM\Software\K (value "v").
  std::vector<std::string> left;
};

TEST_F(RecordingTest, DeleteRegistryActsAtOnceAndIgnoresEveryFailure) {
  const DeleteRegistryCase cases[] = {
      {"value", {"1", "Software\\K", "v", "FALSE"}, {"HKCU:", "HKCU\\Sub:w", "HKLM:v"}},
      {"default value", {"1", "Software\\K", "", "FALSE"}, {"HKCU:v", "HKCU\\Sub:w", "HKLM:v"}},
      {"key with subkeys", {"1", "Software\\K", "", "TRUE"}, {"HKLM:v"}},
      {"-1 as true", {"2", "Software\\\\K", "", "-1"}, {"HKCU:", "HKCU:v", "HKCU\\Sub:w"}},
      {"root 5 is HKCU", {"5", "Software\\K", "v", "FALSE"}, {"HKCU:", "HKCU\\Sub:w", "HKLM:v"}},
      {"root not a number",
       {"one", "Software\\K", "v", "TRUE"},
       {"HKCU:", "HKCU:v", "HKCU\\Sub:w", "HKLM:v"}},
      {"missing key",
       {"1", "Software\\None", "v", "TRUE"},
       {"HKCU:", "HKCU:v", "HKCU\\Sub:w", "HKLM:v"}},
  };
  for (const DeleteRegistryCase& c : cases) {
    SCOPED_TRACE(c.description);
    fake.registry.clear();
    fake.registryKeys.clear();
    fake.writeString(RegistryRoot::CurrentUser, "Software\\K", "", "");
    fake.writeString(RegistryRoot::CurrentUser, "Software\\K", "v", "");
    fake.writeString(RegistryRoot::CurrentUser, "Software\\K\\Sub", "w", "");
    fake.writeString(RegistryRoot::LocalMachine, "Software\\K", "v", "");
    run({{"Delete Registry", c.parameters}});
    EXPECT_TRUE(fake.boxes.empty());
    std::vector<std::string> left;
    const std::pair<RegistryRoot, const char*> places[] = {{RegistryRoot::CurrentUser, "HKCU"},
                                                           {RegistryRoot::LocalMachine, "HKLM"}};
    for (const auto& [root, name] : places)
      for (const char* subkey : {"", "\\Sub"})
        for (const char* value : {"", "v", "w"})
          if (fake.readValue(root, std::string("Software\\K") + subkey, value).status ==
              RegistryReadStatus::Found)
            left.push_back(std::string(name) + subkey + ":" + value);
    EXPECT_EQ(left, c.left);
  }
}

TEST_F(RecordingTest, NativeImagesRunEachInstalledGeneratorWithTheQuotedAssembly) {
  const std::string v1 = "C:\\Windows\\Microsoft.NET\\Framework\\v1.1.4322\\ngen.exe";
  const std::string v2 = "C:\\Windows\\Microsoft.NET\\Framework\\v2.0.50727\\ngen.exe";
  engine.options.overrides = {{"APP", "C:\\My Files"}};
  for (const auto& installed : {std::set<std::string>{}, {v2}, {v1, v2}}) {
    fake.programs.clear();
    for (const std::string& program : installed) fake.programs.insert(upperAscii(program));
    fake.programsRun.clear();
    run({{"Generate Native Images", {"$APP$\\a.dll"}}});
    std::vector<std::string> expected;
    if (installed.contains(v1)) expected.push_back(v1 + " \"C:\\My Files\\a.dll\"");
    if (installed.contains(v2)) expected.push_back(v2 + " install \"C:\\My Files\\a.dll\"");
    EXPECT_EQ(fake.programsRun, expected);
    // Hidden, waited for by the interpreter thread itself, which keeps the windows alive.
    for (const ShellStart& start : fake.shellStarts) {
      EXPECT_FALSE(start.shown);
      EXPECT_TRUE(start.wait);
      EXPECT_TRUE(start.handleMessages);
    }
  }
}

// The statements the package sees, in order.
class PackageEditTest : public ::testing::Test {
 protected:
  FakePlatform fake;
  const std::string package = "C:\\Temp\\zel1\\setup.msi";
};

TEST_F(PackageEditTest, NewInstanceWritesCodesBeforeTheLastRow) {
  const NewInstanceCodes codes{"{NEW-PRODUCT}", "{NEW-PACKAGE}"};
  const Rows rows = {{"AX", "TRUE"}, {"PX_1", "a$NEWLINE$b"}, {"PX_2", "O'Brien"}};
  EXPECT_TRUE(writePendingRows(fake.installer, fake, package, rows, &codes));
  const std::string insert =
      "execute INSERT INTO `Property` ( `Property` , `Value` ) VALUES ( ? , ? )";
  const std::string update = "execute UPDATE `Property` SET `Value`=? WHERE `Property`=?";
  EXPECT_EQ(fake.installer.log,
            (std::vector<std::string>{
                "open " + package, "replace Component.ComponentId", "commit", "close",
                "open " + package, insert + " [AX|TRUE]", update + " [TRUE|AX]",
                insert + " [PX_1|a\r\nb]", update + " [a\r\nb|PX_1]", "package code {NEW-PACKAGE}",
                "execute UPDATE `Property` SET `Value`=? WHERE `Property`='ProductCode' "
                "[{NEW-PRODUCT}]",
                insert + " [PX_2|O'Brien]", update + " [O'Brien|PX_2]", "commit", "close"}));
  EXPECT_EQ(fake.installer.componentCodes,
            (std::vector<std::string>{"{00000000-0000-0000-0000-000000000001}",
                                      "{00000000-0000-0000-0000-000000000002}"}));
}

TEST_F(PackageEditTest, NothingPendingOrNoPackageChangesNothing) {
  EXPECT_FALSE(writePendingRows(fake.installer, fake, package, {}, nullptr));
  EXPECT_TRUE(fake.installer.log.empty());
  fake.installer.unopenable.insert(upperAscii(package));
  const NewInstanceCodes codes{"{P}", "{R}"};
  EXPECT_FALSE(writePendingRows(fake.installer, fake, package, {{"A", "B"}}, &codes));
  EXPECT_TRUE(fake.installer.log.empty());
}

TEST_F(PackageEditTest, RenamesRunDescriptionsAndNamesByTheirKeys) {
  fake.installer.failingSql.insert("UPDATE `Shortcut` SET `Name`=? WHERE `Directory_`=?");
  applyShortcutRenames(fake.installer, package, {{"PS_1", "Help~1|Help", "Opens help"}});
  applyProgIdRenames(fake.installer, package, {{"$V$.Doc", "K.Doc", "A document"}});
  EXPECT_EQ(fake.installer.log,
            (std::vector<std::string>{
                "open " + package,
                "execute UPDATE `Shortcut` SET `Name`=? WHERE `Directory_`=? [Help~1|Help|PS_1]",
                "execute UPDATE `Shortcut` SET `Description`=? WHERE `Directory_`=? "
                "[Opens help|PS_1]",
                "commit", "close", "open " + package,
                "execute UPDATE `ProgId` SET `Description`=? WHERE `ProgId`=? [A document|$V$.Doc]",
                "execute UPDATE `ProgId` SET `ProgId`=? WHERE `ProgId`=? [K.Doc|$V$.Doc]", "commit",
                "close"}));
}

TEST_F(RecordingTest, AppliedEditsRenameOnlyWhileALanguageIsSet) {
  for (const bool german : {false, true}) {
    fake.installer.log.clear();
    engine.options.overrides.clear();
    if (german) setGermanTranslations(1, {"Hilfe", "Hilfe öffnen"});
    runWithHeaders({{"Create Shortcut", {"", "Help", "", "Open help", "", ""}}}, {"S"});
    editPackageAsApplied(engine);
    const auto renamed = std::ranges::count_if(fake.installer.log, [](const std::string& entry) {
      return entry.find("`Shortcut`") != std::string::npos;
    });
    EXPECT_EQ(renamed, german ? 2 : 0);
    EXPECT_NE(std::ranges::find(fake.installer.log,
                                "execute UPDATE `Property` SET `Value`=? WHERE `Property`=? "
                                "[TRUE|AS]"),
              fake.installer.log.end());
  }
}

}  // namespace
}  // namespace kx::test
