#include <gtest/gtest.h>

#include "tests/native/engine_fixture.h"

namespace kx::test {
namespace {

using Entry = FakeAccessControl::Entry;
using Kind = Account::Kind;

// ---- Check Process and Check Service ----------------------------------------------------------

TEST_F(EngineTest, CheckProcessComparesTheFileNamePartIgnoringCase) {
  fake.services.programs = {"[System Process]", "C:\\Windows\\NOTEPAD.EXE", "setup.exe"};
  ASSERT_EQ(run({{"Set Variable", {"P", "notepad"}},
                 {"Check Process", {"$P$.exe", "found"}},
                 {"Check Process", {"windows", "folder"}},
                 {"Check Process", {"notepad", "stem"}},
                 {"Check Process", {"SETUP.EXE", "own"}}})
                .end,
            RunEnd::Normal);
  EXPECT_EQ(var("FOUND"), "TRUE");
  EXPECT_EQ(var("FOLDER"), "FALSE");
  EXPECT_EQ(var("STEM"), "FALSE");
  EXPECT_EQ(var("OWN"), "TRUE");
}

TEST_F(EngineTest, CheckProcessWithoutASnapshotIsFalse) {
  ASSERT_EQ(run({{"Check Process", {"notepad.exe", "found"}}}).end, RunEnd::Normal);
  EXPECT_EQ(var("FOUND"), "FALSE");
}

TEST_F(EngineTest, CheckServiceWritesTheStateWord) {
  const std::vector<std::pair<uint32_t, std::string>> states = {
      {0, "NOTINSTALLED"},  {1, "STOPPED"}, {2, "STARTING"},
      {3, "STOPPING"},      {4, "RUNNING"}, {5, "CONTINUE_PENDING"},
      {6, "PAUSE_PENDING"}, {7, "PAUSED"},  {8, "NOTINSTALLED"}};
  std::vector<Statement> statements;
  for (const auto& [state, word] : states) {
    const std::string name = "Svc" + std::to_string(state);
    fake.services.states[upperAscii("|" + name)] = state;
    statements.push_back({"Check Service", {name, "", "S" + std::to_string(state)}});
  }
  ASSERT_EQ(run(statements).end, RunEnd::Normal);
  for (const auto& [state, word] : states)
    EXPECT_EQ(var("S" + std::to_string(state)), word) << state;
}

TEST_F(EngineTest, CheckServiceAsksTheNamedComputer) {
  fake.services.states["SERVER|SPOOLER"] = 4;
  fake.services.states["|SPOOLER"] = 1;
  ASSERT_EQ(run({{"Set Variable", {"HOST", "Server"}},
                 {"Check Service", {"Spooler", "$HOST$", "there"}},
                 {"Check Service", {"Spooler", "", "here"}},
                 {"Check Service", {"Spooler", "Elsewhere", "unreachable"}},
                 {"Check Service", {"NoSuch", "", "missing"}}})
                .end,
            RunEnd::Normal);
  EXPECT_EQ(var("THERE"), "RUNNING");
  EXPECT_EQ(var("HERE"), "STOPPED");
  EXPECT_EQ(var("UNREACHABLE"), "NOTINSTALLED");
  EXPECT_EQ(var("MISSING"), "NOTINSTALLED");
}

// ---- Create Share and Delete Share ------------------------------------------------------------

struct ShareCase {
  const char* name;
  std::string line;
  std::string computer;
  std::string path;
  std::string kind;
};
void PrintTo(const ShareCase& c, std::ostream* out) {
  *out << c.name;
}

class CreateShareTest : public EngineTest, public ::testing::WithParamInterface<ShareCase> {};

TEST_P(CreateShareTest, SplitsAndShapesThePath) {
  const ShareCase& c = GetParam();
  ASSERT_EQ(run({{"Set Variable", {"DIR", "C:\\Data"}},
                 {"Create Share", {c.line, "Data", "Shared data"}},
                 {"Set Variable", {"AFTER", "yes"}}})
                .end,
            RunEnd::Normal);
  EXPECT_EQ(fake.services.log, std::vector<std::string>{"share " + c.computer + "|Data|" + c.path +
                                                        "|Shared data|" + c.kind});
  EXPECT_EQ(var("AFTER"), "yes");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CreateShareTest,
    ::testing::Values(
        ShareCase{"Folder", "C:\\Data", "", "C:\\Data", "folder"},
        ShareCase{"TrailingBackslashGoes", "$DIR$\\", "", "C:\\Data", "folder"},
        ShareCase{"DriveGetsItsRoot", "C:", "", "C:\\", "folder"},
        ShareCase{"DriveRootStays", "D:\\", "", "D:\\", "folder"},
        ShareCase{"DoubledBackslashesCollapse", "C:\\\\Data\\\\Sub", "", "C:\\Data\\Sub", "folder"},
        ShareCase{"ComputerAfterTheBar", "$DIR$|Server", "Server", "C:\\Data", "folder"},
        ShareCase{"OnlyTheFirstBarSplits", "C:\\Data|Srv|x", "Srv|x", "C:\\Data", "folder"},
        ShareCase{"NetworkPathIsAFolder", "\\\\srv\\data", "", "\\\\srv\\data", "folder"},
        ShareCase{"PrinterHasNoBackslashOrColon", "LaserJet", "", "LaserJet", "printer"},
        ShareCase{"PrinterOnAComputer", "LaserJet|Server", "Server", "LaserJet", "printer"}));

TEST_F(EngineTest, ShareNameAndRemarkAreTranslated) {
  engine.script = buildScript(
      {{"Create Share", {"C:\\Data", "Data", "Shared data"}}, {"Delete Share", {"Old|Server"}}});
  engine.store.defineAndSet("WHO", "Team", "test");
  engine.run.currentLanguage = "German";
  engine.run.translations.keys = {upperAscii(statementIdFor(1)), "x",
                                  upperAscii(statementIdFor(2))};
  engine.run.translations.translation = {"Daten", "Daten von $WHO$", "Alt|Rechner"};
  for (size_t position : {1u, 2u}) {
    engine.run.position = position;
    engine.commands.find(engine.command())->run(engine);
  }
  EXPECT_EQ(fake.services.log,
            (std::vector<std::string>{"share |Daten|C:\\Data|Daten von Team|folder",
                                      "unshare Rechner|Alt"}));
}

TEST_F(EngineTest, DeleteShareSplitsAtTheFirstBar) {
  ASSERT_EQ(run({{"Set Variable", {"S", "Data"}},
                 {"Delete Share", {"$S$"}},
                 {"Delete Share", {"$S$|Server|x"}}})
                .end,
            RunEnd::Normal);
  EXPECT_EQ(fake.services.log,
            (std::vector<std::string>{"unshare |Data", "unshare Server|x|Data"}));
}

// ---- Set Access Control -----------------------------------------------------------------------

// Lines 2 to 16 of "Set Access Control" from a compact spelling: the five account and right
// flags, the account name, the three list flags and the five object kinds.
std::vector<std::string> accessLines(const std::string& object, const std::string& accounts,
                                     const std::string& account, const std::string& rights,
                                     const std::string& list, const std::string& kinds) {
  std::vector<std::string> lines = {object};
  const auto flags = [&](const std::string& bits) {
    for (char bit : bits) lines.push_back(bit == '1' ? "TRUE" : "FALSE");
  };
  flags(accounts);  // lines 2-5
  lines.push_back(account);
  flags(rights);  // lines 7-8
  flags(list);    // lines 9-11
  flags(kinds);   // lines 12-16
  return lines;
}

constexpr uint8_t kContents = ace_flags::kObjectInherit | ace_flags::kContainerInherit;
const Account kEveryone{Kind::Everyone, {}};
const Account kUser{Kind::SetupUser, {}};
const Account kAuthenticated{Kind::AuthenticatedUsers, {}};
const Account kOld{Kind::Named, "old"};

class AccessControlTest : public EngineTest {
 protected:
  std::optional<std::vector<Entry>>& file() {
    return fake.security.list(SecuredKind::FileOrFolder, "C:\\App");
  }
  void SetUp() override {
    file() = std::vector<Entry>{{kEveryone, 0x1200A9, kContents}, {kOld, 1, 0}};
  }
  void runAccess(const std::vector<std::string>& lines) {
    ASSERT_EQ(run({{"Set Variable", {"APP", "C:\\App"}}, {"Set Access Control", lines}}).end,
              RunEnd::Normal);
  }
};

TEST_F(AccessControlTest, ReadAndFullLeaveOneFullEntryPerAccount) {
  runAccess(accessLines("$APP$", "1111", "KESTRIX\\\\builder", "11", "100", "10000"));
  const Account named{Kind::Named, "KESTRIX\\builder"};
  EXPECT_EQ(file(), (std::vector<Entry>{{kOld, 1, 0},
                                        {kEveryone, 0x1F01FF, kContents},
                                        {kUser, 0x1F01FF, kContents},
                                        {kAuthenticated, 0x1F01FF, kContents},
                                        {named, 0x1F01FF, kContents}}));
  EXPECT_EQ(fake.security.writes, 1);
}

TEST_F(AccessControlTest, ReadAloneReplacesTheAccountsEntries) {
  file()->push_back({kUser, 0x1F01FF, kContents});
  runAccess(accessLines("$APP$", "0100", "", "10", "100", "10000"));
  EXPECT_EQ(file(),
            (std::vector<Entry>{
                {kEveryone, 0x1200A9, kContents}, {kOld, 1, 0}, {kUser, 0x1200A9, kContents}}));
}

TEST_F(AccessControlTest, AnUnknownAccountIsSkipped) {
  fake.security.unknownAccounts = {"NOBODY"};
  runAccess(accessLines("$APP$", "0001", "nobody", "01", "100", "10000"));
  EXPECT_EQ(file(), (std::vector<Entry>{{kEveryone, 0x1200A9, kContents}, {kOld, 1, 0}}));
}

TEST_F(AccessControlTest, ListFlagsApplyWhenRightsAreNotSet) {
  struct Case {
    std::string list;
    std::optional<std::vector<Entry>> after;
    int writes;
  };
  const std::vector<Entry> before = *file();
  for (const Case& c : {Case{"010", std::vector<Entry>{}, 1}, Case{"011", std::vector<Entry>{}, 1},
                        Case{"001", std::nullopt, 1}, Case{"000", before, 0}}) {
    file() = before;
    fake.security.writes = 0;
    runAccess(accessLines("$APP$", "1111", "x", "11", c.list, "10000"));
    EXPECT_EQ(file(), c.after) << c.list;
    EXPECT_EQ(fake.security.writes, c.writes) << c.list;
  }
}

TEST_F(AccessControlTest, EveryKindIsOpenedInOrderAndTheLastIsChanged) {
  fake.security.list(SecuredKind::RegistryKey, "C:\\App") = std::vector<Entry>{};
  fake.security.list(SecuredKind::Service, "C:\\App") = std::vector<Entry>{};
  runAccess(accessLines("$APP$", "1000", "", "10", "100", "10110"));
  EXPECT_EQ(fake.security.opened,
            (std::vector<SecuredKind>{SecuredKind::FileOrFolder, SecuredKind::RegistryKey,
                                      SecuredKind::Service}));
  EXPECT_EQ(fake.security.list(SecuredKind::Service, "C:\\App"),
            (std::vector<Entry>{{kEveryone, 0x1200A9, kContents}}));
  EXPECT_EQ(fake.security.list(SecuredKind::RegistryKey, "C:\\App"), std::vector<Entry>{});
  EXPECT_EQ(file(), (std::vector<Entry>{{kEveryone, 0x1200A9, kContents}, {kOld, 1, 0}}));
}

TEST_F(AccessControlTest, ALastKindThatCannotBeOpenedChangesNothing) {
  runAccess(accessLines("$APP$", "1000", "", "01", "100", "10001"));
  EXPECT_EQ(fake.security.opened,
            (std::vector<SecuredKind>{SecuredKind::FileOrFolder, SecuredKind::Printer}));
  EXPECT_EQ(file(), (std::vector<Entry>{{kEveryone, 0x1200A9, kContents}, {kOld, 1, 0}}));
  EXPECT_EQ(fake.security.writes, 0);
}

TEST_F(AccessControlTest, PrinterRightsHaveTheirOwnMasks) {
  constexpr uint8_t kDocuments = ace_flags::kObjectInherit | ace_flags::kInheritOnly;
  auto& printer = fake.security.list(SecuredKind::Printer, "LaserJet");
  for (const auto& [rights, entries] : std::vector<std::pair<std::string, std::vector<Entry>>>{
           {"10", {{kEveryone, 0x20008, 0}}},
           {"01", {{kEveryone, 0xF000C, 0}, {kEveryone, 0xF0010, kDocuments}}},
           {"11", {{kEveryone, 0xF000C, 0}, {kEveryone, 0xF0010, kDocuments}}}}) {
    printer = std::vector<Entry>{};
    runAccess(accessLines("LaserJet", "1000", "", rights, "100", "00001"));
    EXPECT_EQ(printer, entries) << rights;
  }
}

TEST_F(AccessControlTest, OutsideTheNtFamilyTheGroupsAreTheStarAccount) {
  struct Case {
    std::string rights, kinds;
    uint32_t mask;
  };
  const Account star{Kind::Named, "*"};
  auto& printer = fake.security.list(SecuredKind::Printer, "C:\\App");
  for (const Case& c :
       {Case{"10", "10000", 0x81}, Case{"01", "10000", 0xB7}, Case{"10", "00001", 0xB7}}) {
    file() = std::vector<Entry>{};
    printer = std::vector<Entry>{};
    fake.windows.ntFamily = false;
    runAccess(accessLines("$APP$", "1010", "", c.rights, "100", c.kinds));
    const auto& changed = c.kinds == "00001" ? printer : file();
    EXPECT_EQ(changed, (std::vector<Entry>{{star, c.mask, 0}})) << c.rights << c.kinds;
  }
}

TEST_F(AccessControlTest, ObjectAndAccountNamesAreTranslated) {
  engine.script = buildScript(
      {{"Set Access Control", accessLines("C:\\Other", "0001", "someone", "01", "100", "10000")}});
  engine.store.defineAndSet("DOMAIN", "KESTRIX", "test");
  engine.run.currentLanguage = "German";
  engine.run.translations.keys = {upperAscii(statementIdFor(1))};
  engine.run.translations.translation = {"C:\\App", "$DOMAIN$\\\\Jemand"};
  engine.run.position = 1;
  engine.commands.find(engine.command())->run(engine);
  EXPECT_EQ(file()->back(), (Entry{{Kind::Named, "KESTRIX\\Jemand"}, 0x1F01FF, kContents}));
}

// ---- Register Library -------------------------------------------------------------------------

struct RegistrationCase {
  const char* name;
  std::string file;
  std::string flag;
  std::string logged;  // empty: nothing is called
  std::string result;
};
void PrintTo(const RegistrationCase& c, std::ostream* out) {
  *out << c.name;
}

class RegisterLibraryTest : public EngineTest,
                            public ::testing::WithParamInterface<RegistrationCase> {
 protected:
  void SetUp() override {
    for (const char* tlb : {"C:\\App\\types.tlb", "C:\\App\\Types.TlB", "C:\\App\\bad.tlb"})
      fake.files[upperAscii(tlb)] = "MSFT";
    fake.com.failing = {"C:\\APP\\BAD.TLB", "C:\\APP\\FAILS.DLL", "C:\\APP\\MISSING.EXE"};
    fake.com.throwing = {"C:\\APP\\FAULTS.DLL"};
  }
};

TEST_P(RegisterLibraryTest, ChoosesTheKindByExtension) {
  const RegistrationCase& c = GetParam();
  ASSERT_EQ(run({{"Set Variable", {"APP", "C:\\App\\"}},
                 {"Register Library", {c.file, c.flag, "outcome"}}})
                .end,
            RunEnd::Normal);
  EXPECT_EQ(var("OUTCOME"), c.result);
  EXPECT_EQ(fake.com.log,
            c.logged.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.logged});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegisterLibraryTest,
    ::testing::Values(RegistrationCase{"TypeLibrary", "$APP$\\types.tlb", "TRUE",
                                       "typelib C:\\App\\types.tlb on", "TRUE"},
                      RegistrationCase{"TypeLibraryInAnyCase", "$APP$Types.TlB", "-1",
                                       "typelib C:\\App\\Types.TlB on", "TRUE"},
                      RegistrationCase{"UnregisterTypeLibrary", "$APP$types.tlb", "no",
                                       "typelib C:\\App\\types.tlb off", "TRUE"},
                      RegistrationCase{"MissingTypeLibrary", "$APP$none.tlb", "TRUE", "", "FALSE"},
                      RegistrationCase{"RefusedTypeLibrary", "$APP$bad.tlb", "true",
                                       "typelib C:\\App\\bad.tlb on", "FALSE"},
                      RegistrationCase{"Program", "$APP$server.exe", "TRUE",
                                       "program C:\\App\\server.exe /regserver", "TRUE"},
                      RegistrationCase{"ProgramInAnyCase", "$APP$Server.Exe", "FALSE",
                                       "program C:\\App\\Server.Exe /unregserver", "TRUE"},
                      RegistrationCase{"ProgramThatCannotStart", "$APP$missing.exe", "TRUE",
                                       "program C:\\App\\missing.exe /regserver", "FALSE"},
                      RegistrationCase{"Library", "$APP$control.ocx", "TRUE",
                                       "library C:\\App\\control.ocx on", "TRUE"},
                      RegistrationCase{"UnregisterLibrary", "$APP$control.dll", "",
                                       "library C:\\App\\control.dll off", "TRUE"},
                      RegistrationCase{"DotInTheFolderOnly", "C:\\x.tlb\\server", "TRUE",
                                       "library C:\\x.tlb\\server on", "TRUE"},
                      RegistrationCase{"FailureCode", "$APP$fails.dll", "TRUE",
                                       "library C:\\App\\fails.dll on", "FALSE"},
                      RegistrationCase{"ExceptionIsFalse", "$APP$faults.dll", "TRUE", "",
                                       "FALSE"}));

TEST_F(EngineTest, RegisterLibraryWithoutAResultVariableStillRegisters) {
  ASSERT_EQ(run({{"Register Library", {"C:\\App\\control.dll", "TRUE", ""}}}).end, RunEnd::Normal);
  EXPECT_EQ(fake.com.log, std::vector<std::string>{"library C:\\App\\control.dll on"});
}

}  // namespace
}  // namespace kx::test
