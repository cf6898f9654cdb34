#include <gtest/gtest.h>

#include "tests/native/engine_fixture.h"
#include "tests/native/pe_fixture.h"

namespace kx::test {
namespace {

constexpr const char* kApp = "C:\\Tools\\app.exe";
constexpr const char* kNoProgram = "-2147483648";

class ProgramCommandsTest : public EngineTest {
 protected:
  void addProgram(const std::string& path, int32_t exitCode = 0) {
    fake.programs.insert(upperAscii(path));
    fake.exitCodes[upperAscii(path)] = exitCode;
  }
  bool fileThere(const std::string& path) { return fake.files.contains(upperAscii(path)); }
  std::string fileBytes(const std::string& path) { return fake.files.at(upperAscii(path)); }
};

// ---- Run Program ------------------------------------------------------------------------------

struct RunCase {
  const char* name;
  std::vector<std::string> lines;
  std::string file;  // as the shell is asked to execute it
  std::string parameters;
  bool shown;
  bool wait;
  std::string result;  // RES afterwards
};
void PrintTo(const RunCase& c, std::ostream* out) {
  *out << c.name;
}

class RunProgramCase : public ProgramCommandsTest, public ::testing::WithParamInterface<RunCase> {};

TEST_P(RunProgramCase, HandsTheLinesToTheShellAndWritesTheExitCode) {
  const RunCase& c = GetParam();
  addProgram(kApp, 7);
  addProgram("\\\\server\\share\\setup.exe", 3);
  engine.options.overrides = {{"DIR", "C:\\Tools\\"}};
  ASSERT_EQ(run({{"Run Program", c.lines}}).end, RunEnd::Normal);
  ASSERT_EQ(fake.shellStarts.size(), 1u);
  const ShellStart& start = fake.shellStarts[0];
  EXPECT_EQ(start.file, c.file);
  EXPECT_EQ(start.parameters, c.parameters);
  EXPECT_EQ(start.shown, c.shown);
  EXPECT_EQ(start.wait, c.wait);
  EXPECT_FALSE(start.handleMessages) << "the worker waits, not the interpreter";
  EXPECT_EQ(var("RES"), c.result);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RunProgramCase,
    ::testing::Values(
        RunCase{"HiddenAndWaited",
                {"$DIR$\\app.exe", "TRUE", "/x C:\\\\a b", "TRUE", "RES"},
                kApp,
                "/x C:\\a b",
                false,
                true,
                "7"},
        RunCase{"MinusOneHides", {kApp, "-1", "", "-1", "RES"}, kApp, "", false, true, "7"},
        RunCase{"FlagsInAnyCase", {kApp, "false", "", "tRuE", "RES"}, kApp, "", true, true, "7"},
        RunCase{"OtherTextsAreFalse", {kApp, "yes", "", "1", "RES"}, kApp, "", true, false, "259"},
        RunCase{"NotWaitedForAndStillRunning",
                {kApp, "TRUE", "", "FALSE", "RES"},
                kApp,
                "",
                false,
                false,
                "259"},
        RunCase{"NetworkPathKeepsItsLeadingPair",
                {"\\\\server\\\\share\\\\setup.exe", "FALSE", "", "TRUE", "RES"},
                "\\\\server\\share\\setup.exe",
                "",
                true,
                true,
                "3"},
        RunCase{"NeitherVerbExecutesTheFile",
                {"C:\\Tools\\missing.exe", "FALSE", "", "TRUE", "RES"},
                "C:\\Tools\\missing.exe",
                "",
                true,
                true,
                kNoProgram}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProgramCommandsTest, RunProgramCreatesItsResultVariableUpperCased) {
  addProgram(kApp, -5);
  run({{"Run Program", {kApp, "TRUE", "", "TRUE", "exitCode"}}});
  ASSERT_TRUE(engine.store.isDefined("EXITCODE"));
  EXPECT_EQ(var("EXITCODE"), "-5");
  const auto names = engine.store.snapshot();
  EXPECT_TRUE(
      std::any_of(names.begin(), names.end(), [](const auto& v) { return v.name == "EXITCODE"; }));
}

TEST_F(ProgramCommandsTest, RunProgramWithoutAResultVariableStillRuns) {
  addProgram(kApp, 4);
  ASSERT_EQ(run({{"Run Program", {kApp, "TRUE", "", "TRUE", ""}}}).end, RunEnd::Normal);
  EXPECT_EQ(fake.programsRun, std::vector<std::string>{std::string(kApp) + " "});
  for (const auto& variable : engine.store.snapshot()) EXPECT_NE(variable.value, "4");
}

// ---- Progress and cancel while a worker waits --------------------------------------------------

struct WaitingCommand {
  const char* name;
  std::vector<Statement> statements;
};
void PrintTo(const WaitingCommand& c, std::ostream* out) {
  *out << c.name;
}

class WaitingForAProgramThatNeverEnds : public ProgramCommandsTest,
                                        public ::testing::WithParamInterface<WaitingCommand> {
 protected:
  void SetUp() override {
    addProgram(kApp);
    fake.neverEnding.insert(upperAscii(kApp));
    fake.files[upperAscii(fake.enginePath())] = realProgram();
    fake.files["C:\\SETUP\\ZEL.DLL"] = "library";
    fake.files[upperAscii(kApp)] = "package";
  }
  // What "Run Light Mode Setup" ran is its package, which gets its own name back.
  void expectPackageAsItWas() {
    EXPECT_EQ(fileBytes(kApp), "package");
    EXPECT_FALSE(fileThere(std::string(kApp) + ".nox"));
    EXPECT_FALSE(fileThere("C:\\Tools\\zel.dll"));
  }
};

TEST_P(WaitingForAProgramThatNeverEnds, PublishesProgressUntilTheCancelStopsTheWait) {
  engine.options.overrides = {{"PROGRESS", "42"}, {"PROGRESSTEXT", "Installing the runtime"}};
  int roundsSeen = 0;
  bool longOperationSeen = false;
  fake.onMessage = [&] {
    std::lock_guard guard(engine.generalLock);
    if (engine.longOperation && engine.progress.position == 42 &&
        engine.progress.text == "Installing the runtime" && engine.progress.maximum == 100) {
      longOperationSeen = true;
      // The progress page's Cancel after a few rounds of waiting.
      if (++roundsSeen == 5) engine.cancelRequested = true;
    }
  };
  ASSERT_EQ(run(GetParam().statements).end, RunEnd::Normal);
  EXPECT_TRUE(longOperationSeen);
  EXPECT_FALSE(engine.longOperation);
  // The wait stopped with the program still running; the next statement saw the cancel.
  EXPECT_EQ(var("RES"), "259");
  EXPECT_EQ(var("AFTER"), "TRUE");
  expectPackageAsItWas();
}

TEST_P(WaitingForAProgramThatNeverEnds, AProgressThatIsNoNumberStopsTheWaitAndIsAScriptError) {
  engine.options.overrides = {{"PROGRESS", "half"}};
  ASSERT_EQ(run(GetParam().statements).end, RunEnd::Error);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_NE(fake.boxes[0].text.find("'half' is not a valid integer value"), std::string::npos)
      << fake.boxes[0].text;
  EXPECT_FALSE(engine.longOperation);
  EXPECT_FALSE(engine.store.isDefined("RES"));
  expectPackageAsItWas();
}

const Statement kAfter{"Set Variable", {"AFTER", "$ABORT$"}};

INSTANTIATE_TEST_SUITE_P(
    Commands, WaitingForAProgramThatNeverEnds,
    ::testing::Values(
        WaitingCommand{"RunProgram", {{"Run Program", {kApp, "FALSE", "", "TRUE", "RES"}}, kAfter}},
        WaitingCommand{
            "RunProgramAs",
            {{"Run Program As", {kApp, "", "", "0", "", "", "", "RES", "TRUE", ""}}, kAfter}},
        WaitingCommand{"RunLightModeSetup",
                       {{"Run Light Mode Setup", {kApp, "RES", "", "TRUE"}}, kAfter}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProgramCommandsTest, SilentRunWaitsWithoutHandlingMessages) {
  addProgram(kApp, 12);
  engine.options.overrides = {{"SILENT", "TRUE"}};
  int messages = 0;
  fake.onMessage = [&] { ++messages; };
  ASSERT_EQ(run({{"Run Program", {kApp, "FALSE", "", "TRUE", "RES"}}}).end, RunEnd::Normal);
  EXPECT_EQ(var("RES"), "12");
  EXPECT_EQ(messages, 0);
}

// ---- Run Program As ---------------------------------------------------------------------------

TEST_F(ProgramCommandsTest, RunProgramAsHandsOverItsLines) {
  addProgram("C:\\My Tools\\tool.exe", 9);
  engine.options.overrides = {{"USER", "ada"}};
  ASSERT_EQ(run({{"Run Program As",
                  {"C:\\My Tools\\\\tool.exe", "C:\\\\Work", "/q \"C:\\\\x\"", "2", "$USER$",
                   "se\\\\cret", "LAB", "RES", "TRUE", "A=1"}}})
                .end,
            RunEnd::Normal);
  ASSERT_EQ(fake.userStarts.size(), 1u);
  const UserStart& start = fake.userStarts[0];
  EXPECT_EQ(start.commandLine, "\"C:\\My Tools\\tool.exe\" /q \"C:\\x\"");
  EXPECT_EQ(start.folder, "C:\\Work");
  EXPECT_EQ(start.showCommand, 3);
  EXPECT_EQ(start.user, "ada");
  EXPECT_EQ(start.password, "se\\cret");
  EXPECT_EQ(start.domain, "LAB");
  EXPECT_TRUE(start.wait);
  EXPECT_EQ(start.environment, "A=1");
  EXPECT_EQ(var("RES"), "9");
}

TEST_F(ProgramCommandsTest, RunProgramAsWindowStates) {
  addProgram(kApp);
  const std::pair<const char*, int> states[] = {{"0", 5}, {"1", 0}, {"2", 3},  {"3", 2},
                                                {"4", 7}, {"5", 0}, {"-1", 0}, {"$10", 0}};
  for (const auto& [state, show] : states) {
    fake.userStarts.clear();
    run({{"Run Program As", {kApp, "", "", state, "", "", "", "RES", "FALSE", ""}}});
    ASSERT_EQ(fake.userStarts.size(), 1u) << state;
    EXPECT_EQ(fake.userStarts[0].showCommand, show) << state;
    EXPECT_EQ(var("RES"), "259") << state;
  }
}

TEST_F(ProgramCommandsTest, RunProgramAsWindowStateThatIsNoNumberIsAScriptError) {
  addProgram(kApp);
  EXPECT_EQ(run({{"Run Program As", {kApp, "", "", "wide", "", "", "", "RES", "TRUE", ""}}}).end,
            RunEnd::Error);
  EXPECT_TRUE(fake.userStarts.empty());
}

TEST_F(ProgramCommandsTest, RunProgramAsWritesTheCodeOfWhatFailed) {
  addProgram(kApp, 1);
  for (int32_t code = -2; code >= -11; --code) {
    fake.userStartFailure = code;
    run({{"Run Program As", {kApp, "", "", "0", "bob", "pw", "", "res", "TRUE", ""}}});
    EXPECT_EQ(var("RES"), std::to_string(code));
  }
  fake.userStartFailure.reset();
  run({{"Run Program As", {"C:\\none.exe", "", "", "0", "", "", "", "RES", "TRUE", ""}}});
  EXPECT_EQ(var("RES"), "-11");
}

TEST_F(ProgramCommandsTest, RunProgramAsAUserNeedsTheNtFamily) {
  addProgram(kApp, 6);
  fake.windows.ntFamily = false;
  run({{"Run Program As", {kApp, "", "", "0", "bob", "pw", "", "RES", "TRUE", ""}}});
  EXPECT_EQ(var("RES"), "-1");
  EXPECT_TRUE(fake.userStarts.empty());
  run({{"Run Program As", {kApp, "", "", "0", "", "", "", "RES", "TRUE", ""}}});
  EXPECT_EQ(var("RES"), "6") << "the engine's own account needs no logon";
}

// ---- Run Light Mode Setup ---------------------------------------------------------------------

class LightModeTest : public ProgramCommandsTest {
 protected:
  const std::string package = "C:\\Downloads\\light.exe";
  const std::string program = realProgram();
  void SetUp() override {
    fake.files[upperAscii(fake.enginePath())] = program + "TRAILING SCRIPT";
    fake.files["C:\\SETUP\\ZEL.DLL"] = "archive library";
    fake.files[upperAscii(package)] = "PACKAGE DATA";
    addProgram(package, 5);
  }
};

TEST_F(LightModeTest, RunsTheEngineImageWithThePackageAndPutsEverythingBack) {
  std::map<std::string, std::string> seen;
  fake.onProgramStart = [&](const std::string& started) {
    seen["started"] = started;
    seen["package"] = fileBytes(package);
    seen["kept"] = fileBytes(package + ".nox");
    seen["library"] = fileBytes("C:\\Downloads\\zel.dll");
    seen["to"] = fileThere(package + ".to") ? "left" : "";
  };
  engine.options.overrides = {{"DL", "C:\\Downloads"}};
  ASSERT_EQ(run({{"Run Light Mode Setup", {"$DL$\\\\light.exe", "res", "/s \\\\x", "TRUE"}}}).end,
            RunEnd::Normal);
  EXPECT_EQ(seen["started"], package);
  EXPECT_EQ(seen["package"], program + "PACKAGE DATA") << "the engine's appended data is left out";
  EXPECT_EQ(seen["kept"], "PACKAGE DATA");
  EXPECT_EQ(seen["library"], "archive library");
  EXPECT_EQ(seen["to"], "");
  ASSERT_EQ(fake.shellStarts.size(), 1u);
  EXPECT_TRUE(fake.shellStarts[0].shown);
  EXPECT_TRUE(fake.shellStarts[0].wait);
  EXPECT_EQ(fake.shellStarts[0].parameters, "/s \\x");
  EXPECT_EQ(var("RES"), "5");

  EXPECT_EQ(fileBytes(package), "PACKAGE DATA");
  EXPECT_FALSE(fileThere(package + ".nox"));
  EXPECT_FALSE(fileThere(package + ".to"));
  EXPECT_FALSE(fileThere("C:\\Downloads\\zel.dll"));
  EXPECT_EQ(fileBytes("C:\\Setup\\zel.dll"), "archive library");
}

TEST_F(LightModeTest, BesideTheEngineItsOwnLibraryStays) {
  const std::string besideEngine = "C:\\Setup\\light.exe";
  fake.files[upperAscii(besideEngine)] = "DATA";
  addProgram(besideEngine, 0);
  run({{"Run Light Mode Setup", {besideEngine, "RES", "", "FALSE"}}});
  EXPECT_EQ(var("RES"), "259");
  EXPECT_EQ(fileBytes(besideEngine), "DATA");
  EXPECT_EQ(fileBytes("C:\\Setup\\zel.dll"), "archive library");
}

TEST_F(LightModeTest, APackageThatCannotBePreparedGivesMinusOneAndStaysAsItWas) {
  struct Case {
    const char* name;
    std::function<void()> arrange;
  };
  const Case cases[] = {
      {"engine no program", [&] { fake.files[upperAscii(fake.enginePath())] = "MZ not really"; }},
      {"engine missing", [&] { fake.files.erase(upperAscii(fake.enginePath())); }},
      {"package missing", [&] { fake.files.erase(upperAscii(package)); }},
      {"kept copy there already", [&] { fake.files[upperAscii(package + ".nox")] = "OLD"; }},
      {"package in use", [&] { fake.lockedFiles.insert(upperAscii(package)); }},
      {"runnable file in use", [&] { fake.lockedFiles.insert(upperAscii(package + ".to")); }},
  };
  for (const Case& c : cases) {
    const auto before = fake.files;
    c.arrange();
    const auto arranged = fake.files;
    run({{"Run Light Mode Setup", {package, "RES", "", "TRUE"}}});
    EXPECT_EQ(var("RES"), "-1") << c.name;
    EXPECT_EQ(fake.files, arranged) << c.name;
    EXPECT_TRUE(fake.shellStarts.empty()) << c.name;
    fake.files = before;
    fake.lockedFiles.clear();
  }
}

TEST_F(LightModeTest, APackageTheShellCannotRunGetsItsNameBack) {
  fake.programs.clear();
  run({{"Run Light Mode Setup", {package, "RES", "", "TRUE"}}});
  EXPECT_EQ(var("RES"), kNoProgram);
  EXPECT_EQ(fileBytes(package), "PACKAGE DATA");
  EXPECT_FALSE(fileThere(package + ".nox"));
  EXPECT_FALSE(fileThere("C:\\Downloads\\zel.dll"));
}

// ---- Terminate Program ------------------------------------------------------------------------

struct TerminateCase {
  const char* name;
  std::string title;
  std::string className;
  bool closeOnRequest;
  std::vector<WindowHandle> requests;
};
void PrintTo(const TerminateCase& c, std::ostream* out) {
  *out << c.name;
}

class TerminateProgramCase : public ProgramCommandsTest,
                             public ::testing::WithParamInterface<TerminateCase> {};

TEST_P(TerminateProgramCase, AsksTheFirstMatchingWindowToCloseInEachOfTenPasses) {
  const TerminateCase& c = GetParam();
  fake.topWindows = {{1, "Shell_TrayWnd", ""},
                     {2, "Notepad", "notes.txt - Notepad"},
                     {3, "Notepad", "todo.txt - Notepad"},
                     {4, "KxWindow", "Kestrix test window"},
                     {5, "KxWindow", "Kestrix test window"},
                     {6, "Edit", "Notepad help"}};
  fake.windowsCloseOnRequest = c.closeOnRequest;
  ASSERT_EQ(run({{"Terminate Program", {c.title, c.className}}}).end, RunEnd::Normal);
  EXPECT_EQ(fake.closeRequests, c.requests);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, TerminateProgramCase,
    ::testing::Values(TerminateCase{"BothEmptyDoesNothing", "", "", true, {}},
                      TerminateCase{
                          "TitleOnlyClosesEachMatchInTurn", "Notepad", "", true, {2, 3, 6}},
                      TerminateCase{"ClassAndTitleBothMatch", "Notepad", "Notepad", true, {2, 3}},
                      TerminateCase{"ClassIsASubstring", "", "Kx", true, {4, 5}},
                      TerminateCase{"SearchIsCaseSensitive", "notepad", "", true, {}},
                      TerminateCase{"AWindowThatStaysIsAskedTenTimes", "test window", "", false,
                                    std::vector<WindowHandle>(10, 4)}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kx::test
