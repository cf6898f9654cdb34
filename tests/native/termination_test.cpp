#include "interpreter/termination.h"

#include "startup/command_line.h"

#include "tests/native/engine_fixture.h"

namespace kx {
namespace {

using test::EngineTest;

constexpr char kRunKeyPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\";
// The first group of the fixture's product code {D476A5F2-...}.
constexpr char kEntryName[] = "D476A5F2";

class Termination : public EngineTest {
 protected:
  std::optional<std::string> resumeEntry(RegistryRoot root) {
    return fake.readString(root, kRunKeyPath, kEntryName);
  }
};

TEST_F(Termination, NoStatementRunsAfterAnyOfTheFour) {
  for (const char* command :
       {"Terminate Install", "Terminate with Exit Code", "Reboot Computer", "Reboot and Resume"}) {
    trace.clear();
    run({{"Comment"}, {command, {"5"}}, {"Comment"}, {"Comment"}});
    EXPECT_EQ(trace, (std::vector<size_t>{1, 2})) << command;
  }
}

struct ExitCodeCase {
  const char* parameter;
  int exitCode;
};

class TerminateWithExitCode : public Termination,
                              public ::testing::WithParamInterface<ExitCodeCase> {};

TEST_P(TerminateWithExitCode, TakesTheExpandedIntegerOrZero) {
  engine.exitCode = 99;
  engine.options.overrides = {{"CODE", "3010"}};
  const RunResult result = run({{"Terminate with Exit Code", {GetParam().parameter}}});
  EXPECT_EQ(result.end, RunEnd::Normal);
  EXPECT_EQ(engine.exitCode, GetParam().exitCode);
  EXPECT_TRUE(fake.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Codes, TerminateWithExitCode,
                         ::testing::Values(ExitCodeCase{"$CODE$", 3010}, ExitCodeCase{"abc", 0},
                                           ExitCodeCase{"", 0}, ExitCodeCase{" -2", -2},
                                           ExitCodeCase{"$FF", 255},
                                           ExitCodeCase{"4294967296", 0}));

TEST_F(Termination, RebootComputerAsksForARestartAndWritesNoEntry) {
  run({{"Reboot Computer"}});
  EXPECT_EQ(fake.restartRequests, 1);
  EXPECT_FALSE(resumeEntry(RegistryRoot::CurrentUser));
  EXPECT_FALSE(resumeEntry(RegistryRoot::LocalMachine));
}

TEST_F(Termination, TerminateInstallKeepsTheExitCode) {
  engine.exitCode = 0;
  run({{"Terminate Install"}});
  EXPECT_EQ(engine.exitCode, 0);
  EXPECT_EQ(fake.restartRequests, 0);
}

struct ResumeCase {
  const char* name;
  std::vector<std::string> arguments;
  const char* commandLine;
  bool allUsers;
  const char* expected;
};

class RebootAndResume : public Termination, public ::testing::WithParamInterface<ResumeCase> {};

TEST_P(RebootAndResume, WritesTheResumeCommandUnderTheChosenRoot) {
  const ResumeCase& c = GetParam();
  readCommandLine(c.commandLine, c.arguments, engine.options);
  engine.options.overrides.emplace_back("ALLUSERS", c.allUsers ? "TRUE" : "FALSE");
  // CMDLINE changed by the script does not change the resume command.
  run({{"Set Variable", {"CMDLINE", "changed"}}, {"Reboot and Resume"}});
  const RegistryRoot chosen = c.allUsers ? RegistryRoot::LocalMachine : RegistryRoot::CurrentUser;
  const RegistryRoot other = c.allUsers ? RegistryRoot::CurrentUser : RegistryRoot::LocalMachine;
  EXPECT_EQ(resumeEntry(chosen), c.expected);
  EXPECT_FALSE(resumeEntry(other));
  EXPECT_EQ(fake.restartRequests, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RebootAndResume,
    ::testing::Values(
        ResumeCase{"NoArguments", {}, "C:\\Setup\\setup.exe", false, "C:\\Setup\\setup.exe"},
        ResumeCase{"LaunchingPackage",
                   {"/M=C:\\Down\\Pack.MSI", "TARGETDIR=X", "/s"},
                   "\"C:\\Setup\\setup.exe\" /M=C:\\Down\\Pack.MSI TARGETDIR=X /s",
                   true,
                   "c:\\down\\pack.msi /M=C:\\Down\\Pack.MSI TARGETDIR=X /s"},
        ResumeCase{"Arguments",
                   {"TARGETDIR=X", "/s"},
                   "setup.exe TARGETDIR=X /s",
                   false,
                   "C:\\Setup\\setup.exe TARGETDIR=X /s"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Termination, TheNextStartRemovesTheResumeEntryBeforeItsFirstStatement) {
  run({{"Reboot and Resume"}});
  ASSERT_TRUE(resumeEntry(RegistryRoot::CurrentUser) || resumeEntry(RegistryRoot::LocalMachine));
  fake.writeString(RegistryRoot::CurrentUser, kRunKeyPath, kEntryName, "left from before");
  bool seenBeforeFirstStatement = true;
  engine.script = test::buildScript({{"Comment"}});
  engine.traceStatement = [&](const Engine&) {
    seenBeforeFirstStatement =
        resumeEntry(RegistryRoot::CurrentUser) || resumeEntry(RegistryRoot::LocalMachine);
  };
  runScript(engine);
  EXPECT_FALSE(seenBeforeFirstStatement);
}

TEST_F(Termination, AProductCodeWithoutAGroupWritesNoEntry) {
  engine.script = test::buildScript({{"Reboot and Resume"}});
  engine.script.productCode = "{";
  fake.writeString(RegistryRoot::CurrentUser, kRunKeyPath, "", "someone's default value");
  runScript(engine);
  EXPECT_EQ(fake.readString(RegistryRoot::CurrentUser, kRunKeyPath, ""), "someone's default value");
  EXPECT_EQ(fake.restartRequests, 1);
}

TEST(ResumeEntryName, IsTheFirstGroupOfTheGuid) {
  EXPECT_EQ(resumeEntryName("{D476A5F2-B52A-464F-82D1-2B29B76326B2}"), "D476A5F2");
  EXPECT_EQ(resumeEntryName("{D476A5F2}"), "D476A5F2");
  EXPECT_EQ(resumeEntryName("{D476A5F"), "");
  EXPECT_EQ(resumeEntryName(""), "");
}

}  // namespace
}  // namespace kx
