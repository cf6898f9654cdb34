#include <gtest/gtest.h>

#include <set>

#include "base/script_error.h"
#include "interpreter/predefined_variables.h"
#include "tests/native/engine_fixture.h"

namespace kx::test {
namespace {

using Trace = std::vector<size_t>;

// Conditions over predefined variables: RUNAPP is "TRUE", REPAIR is "FALSE".
const Statement kIfTrue{"If", {"RUNAPP", "0", "TRUE", "FALSE"}};
const Statement kIfFalse{"If", {"REPAIR", "0", "TRUE", "FALSE"}};
const Statement kElseIfTrue{"Else If", {"RUNAPP", "0", "TRUE", "FALSE"}};
const Statement kElseIfFalse{"Else If", {"REPAIR", "0", "TRUE", "FALSE"}};
const Statement kElse{"Else", {}};
const Statement kEnd{"End", {}};
const Statement kMark{"Comment", {"mark"}};
Statement disabled(Statement s) {
  s.disabled = true;
  return s;
}

struct FlowCase {
  const char* name;
  std::vector<Statement> statements;
  Trace expected;
};

void PrintTo(const FlowCase& c, std::ostream* out) {
  *out << c.name;
}

class FlowTest : public EngineTest, public ::testing::WithParamInterface<FlowCase> {};

TEST_P(FlowTest, RunsTheExpectedStatements) {
  const FlowCase& c = GetParam();
  EXPECT_EQ(run(c.statements).end, RunEnd::Normal);
  EXPECT_EQ(trace, c.expected);
  EXPECT_TRUE(fake.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, FlowTest,
    ::testing::Values(
        FlowCase{"IfFalseWithoutElse", {kIfFalse, kMark, kEnd, kMark}, {1, 3, 4}},
        FlowCase{"IfTrue", {kIfTrue, kMark, kEnd, kMark}, {1, 2, 3, 4}},
        FlowCase{"NestedBlocksInSkippedBranch",
                 {kIfFalse, kIfTrue, kMark, disabled(kEnd), kEnd, kMark, kEnd, kMark},
                 {1, 7, 8}},
        FlowCase{"DisabledIfInsideSkippedBranchDoesNotOpen",
                 {kIfFalse, disabled(kIfTrue), kMark, kEnd, kMark},
                 {1, 4, 5}},
        FlowCase{"FirstTrueBranchOnly",
                 {kIfTrue, kMark, kElseIfTrue, kMark, kElse, kMark, kEnd, kMark},
                 {1, 2, 3, 7, 8}},
        FlowCase{"ElseAfterFalseChain",
                 {kIfFalse, kMark, kElseIfFalse, kMark, kElse, kMark, kEnd, kMark},
                 {1, 3, 6, 7, 8}},
        FlowCase{"ElseIfTakenAfterFalseIf",
                 {kIfFalse, kMark, kElseIfTrue, kMark, kElse, kMark, kEnd, kMark},
                 {1, 3, 4, 5, 7, 8}},
        FlowCase{"NestedChainInsideTakenBranch",
                 {kIfTrue, kIfFalse, kMark, kElseIfFalse, kMark, kElse, kMark, kEnd, kEnd, kMark},
                 {1, 2, 4, 7, 8, 9, 10}},
        FlowCase{"DisabledStatementsAreNotRun", {kMark, disabled(kMark), kMark}, {1, 3}},
        FlowCase{"LastStatementIgnoreRuns", {kMark, {"Ignore", {}}, {"Ignore", {}}}, {1, 3}},
        FlowCase{"GoToDisabledLabelContinuesAfterIt",
                 {{"GoTo Label", {"there"}}, kMark, disabled({"Label", {"There"}}), kMark},
                 {1, 4}},
        FlowCase{"GoToLabelRunsTheLabel",
                 {{"GoTo Label", {"L"}}, kMark, {"Label", {"l"}}, kMark},
                 {1, 3, 4}}),
    [](const auto& info) { return std::string(info.param.name); });

class WizardTest : public EngineTest {
 protected:
  std::vector<Statement> loop() {
    const Statement dialog{"Display Dialog", {"page", "WIZARD", "TRUE", "", "TRUE", "FALSE"}};
    return {kMark, {"Wizard Loop", {}}, dialog, kMark, dialog, disabled(dialog), dialog, kEnd,
            kMark};
  }
  void answer(std::initializer_list<int> codes) {
    for (int code : codes) fake.dialogWindows.outcomes.push_back({code, ""});
  }
};

TEST_F(WizardTest, NextNextBackNextNextWalksTheDialogsAndLeavesTheLoop) {
  answer({6, 6, 7, 6, 6});
  run(loop());
  EXPECT_EQ(trace, (Trace{1, 2, 3, 5, 7, 5, 7, 8, 9}));
  EXPECT_EQ(var("WIZARD"), "NEXT");
}

TEST_F(WizardTest, BackOnFirstDialogAndCancelLeaveTheLoopForward) {
  answer({7});
  run(loop());
  EXPECT_EQ(trace, (Trace{1, 2, 3, 8, 9}));
  EXPECT_EQ(var("WIZARD"), "BACK");
  trace.clear();
  answer({6, 2});
  run(loop());
  EXPECT_EQ(trace, (Trace{1, 2, 3, 5, 8, 9}));
  EXPECT_EQ(var("WIZARD"), "CANCEL");
}

TEST_F(WizardTest, CustomOutcomeKeepsDirection) {
  fake.dialogWindows.outcomes.push_back({6, ""});
  fake.dialogWindows.outcomes.push_back({8, "Help"});
  answer({6});
  run(loop());
  EXPECT_EQ(trace, (Trace{1, 2, 3, 5, 7, 8, 9}));
}

TEST_F(WizardTest, SilentRunWalksForwardOnce) {
  engine.options.silent = true;
  answer({7, 7, 7});
  run(loop());
  EXPECT_EQ(trace, (Trace{1, 2, 3, 5, 7, 8, 9}));
  EXPECT_TRUE(fake.dialogWindows.shown.empty());
  EXPECT_EQ(var("WIZARD"), "NEXT");
}

TEST_F(EngineTest, DisplayDialogConditionSkipAndModelessWindow) {
  // RUNAPP holds "TRUE".
  run({{"Display Dialog", {"a", "R1", "TRUE", "$RUNAPP$", "", "TRUE"}},
       {"Display Dialog", {"b", "R2", "TRUE", "RUNAPP", "", "FALSE"}},
       {"Display Dialog", {"c", "R3", "FALSE", "", "", ""}},
       {"Hide Dialog", {}}});
  EXPECT_EQ(fake.dialogWindows.shown, (std::vector<std::string>{"b", "c"}));
  EXPECT_FALSE(engine.store.isDefined("R1"));
  EXPECT_EQ(var("R2"), "NEXT");
  EXPECT_EQ(var("R3"), "NOTMODAL");
  EXPECT_EQ(var("WINDOWHANDLE"), "0");
}

TEST_F(EngineTest, ModelessWindowIsPublishedUntilHidden) {
  run({{"Display Dialog", {"c", "", "FALSE", "", "", ""}}});
  EXPECT_EQ(var("WINDOWHANDLE"), "4242");
}

// Validation knows NOSUCH from the Set Variable, which the run skips.
const std::vector<Statement> kUndefinedAtRunTime = {
    kIfFalse, {"Set Variable", {"NOSUCH", "x"}}, kEnd, {"If", {"NOSUCH", "0", "x", ""}}, kEnd};

TEST_F(EngineTest, ScriptErrorNamesThePositionCountingDisabledStatements) {
  std::vector<Statement> statements = {kMark, disabled(kMark)};
  statements.insert(statements.end(), kUndefinedAtRunTime.begin(), kUndefinedAtRunTime.end());
  const auto result = run(statements);
  EXPECT_EQ(result.end, RunEnd::Error);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].caption, "Kestrix");
  EXPECT_EQ(fake.boxes[0].icon, MessageIcon::Error);
  EXPECT_EQ(fake.boxes[0].owner, 0u);
  EXPECT_EQ(fake.boxes[0].text,
            "Runtime error in setup script:\r\rLine 6: Attempting to get value of undefined "
            "variable NOSUCH");
}

TEST_F(EngineTest, SilentScriptErrorShowsNothing) {
  engine.options.silent = true;
  EXPECT_EQ(run(kUndefinedAtRunTime).end, RunEnd::Error);
  EXPECT_TRUE(fake.boxes.empty());
}

TEST_F(EngineTest, SkipScanPastTheEndIsAnIndexError) {
  // Balanced for validation, but the If's End stands before it.
  EXPECT_EQ(run({kEnd, kIfFalse, kMark}).end, RunEnd::Error);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_NE(fake.boxes[0].text.find("List index out of bounds (3)"), std::string::npos);
}

// Passing the last statement ends the run normally, whatever that statement is.
struct EndCase {
  const char* name;
  std::vector<Statement> statements;
  Trace expected;
};

void PrintTo(const EndCase& c, std::ostream* out) {
  *out << c.name;
}

class RunEndTest : public EngineTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(RunEndTest, EndsNormallyWithoutAMessage) {
  const EndCase& c = GetParam();
  EXPECT_EQ(run(c.statements).end, RunEnd::Normal);
  EXPECT_EQ(engine.exitCode, 0);
  EXPECT_TRUE(fake.boxes.empty());
  EXPECT_EQ(trace, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    LastStatement, RunEndTest,
    ::testing::Values(
        EndCase{"EmptyScript", {}, {}},
        EndCase{"DisabledGoToLabel",
                {{"Label", {"top"}}, kMark, disabled({"GoTo Label", {"top"}})},
                {1, 2}},
        EndCase{"DisabledLabel", {kMark, disabled({"Label", {"end"}})}, {1}},
        EndCase{"DisabledSetVariable", {kMark, disabled({"Set Variable", {"X", "1"}})}, {1}},
        EndCase{"Ignore", {kMark, {"Ignore", {}}}, {1, 2}},
        EndCase{"DisabledAfterIgnore", {kMark, {"Ignore", {}}, disabled(kMark)}, {1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EngineTest, MissingDatabaseEndsSilently) {
  fake.files.clear();
  EXPECT_EQ(run({kMark}).end, RunEnd::Silent);
  EXPECT_TRUE(trace.empty());
  fake.files[upperAscii("C:\\Temp\\zel1\\setup.msp")] = "";
  EXPECT_EQ(run({kMark}).end, RunEnd::Normal);
}

TEST_F(EngineTest, OverridesComeLastAndNewNamesFollowLanguage) {
  engine.options.overrides = {{"targetdir", "C:\\X"}, {"extra", "1"}};
  run({kMark});
  EXPECT_EQ(var("TARGETDIR"), "C:\\X");
  const auto variables = engine.store.snapshot();
  ASSERT_GE(variables.size(), 2u);
  EXPECT_EQ(variables[variables.size() - 2].name, "LANGUAGE");
  EXPECT_EQ(variables.back().name, "EXTRA");
  EXPECT_EQ(variables[0].name, "TARGETDIR");
}

TEST_F(EngineTest, PredefinedVariablesOfAFirstInstallation) {
  run({kMark});
  EXPECT_EQ(var("TARGETDIR"), "C:\\Program Files\\Test\\");
  EXPECT_EQ(var("STARTMENU"), "Test");
  EXPECT_EQ(var("ALLUSERS"), "TRUE");
  EXPECT_EQ(var("MAINTENANCE"), "FALSE");
  EXPECT_EQ(var("EXEDIR"), "C:\\Setup\\");
  EXPECT_EQ(var("SUPPORTDIR"), "C:\\Temp\\zel1\\");
  EXPECT_EQ(
      var("UNINSTALLLINK"),
      "C:\\Users\\Public\\Application Data\\{29ABEC92-7A56-44D7-8B9E-2D14BBB3995E}\\setup.exe");
  const auto variables = engine.store.snapshot();
  ASSERT_EQ(variables.size(), 46u);
  EXPECT_EQ(variables[45].name, "LANGUAGE");
}

// Validation knows exactly the variables a run defines before its first statement.
TEST_F(EngineTest, PredefinedVariablesAreTheOnesARunDefines) {
  run({});
  std::set<std::string> defined;
  for (const Variable& variable : engine.store.snapshot()) defined.insert(variable.name);
  const std::set<std::string> predefined(std::begin(kPredefinedVariables),
                                         std::end(kPredefinedVariables));
  EXPECT_EQ(defined, predefined);
}

TEST_F(EngineTest, ResumeEntriesAreRemovedAtStart) {
  const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\";
  fake.writeString(RegistryRoot::CurrentUser, key, "D476A5F2", "setup.exe");
  fake.writeString(RegistryRoot::LocalMachine, key, "D476A5F2", "setup.exe");
  run({kMark});
  EXPECT_TRUE(fake.registry.empty());
}

TEST_F(EngineTest, CommandHeadersRecordDisabledProperties) {
  engine.script = buildScript({kMark, kMark});
  engine.script.commandHeaders = {"FILES1", "1"};
  engine.script.rebuildIndexes();
  runScript(engine);
  ASSERT_EQ(engine.changes.recordedProperties.size(), 1u);
  EXPECT_EQ(engine.changes.recordedProperties[0],
            (std::pair<std::string, std::string>{"AFILES1", "FALSE"}));
  EXPECT_EQ(engine.script.commandHeader(2, false), "FILES1");
  EXPECT_THROW(engine.script.commandHeader(1, false), ScriptError);
}

class LanguageTest : public EngineTest {
 protected:
  void writeSupportFile(const std::string& name, const std::string& text) {
    fake.writeFile(engine.options.supportFolder + name, text);
  }
  void writeGermanTables() {
    writeSupportFile("Test.mtx", statementIdFor(1) + "\r\n");
    writeSupportFile("translations.Map", "1\r\n");
    writeSupportFile("translations.German", "RUNAPP\r\nJA\r\n");
  }
};

TEST_F(LanguageTest, DefaultLanguageIsChosenWhenItsTableShips) {
  writeGermanTables();
  writeSupportFile("shared.translations.French", "");
  engine.script = buildScript({kMark});
  engine.script.defaultLanguage = "German";
  runScript(engine);
  EXPECT_EQ(var("LANGUAGE"), "German");
  engine.script.defaultLanguage = "French";  // only its shared message file ships
  runScript(engine);
  EXPECT_EQ(var("LANGUAGE"), "");
}

TEST_F(LanguageTest, ConditionOperandsAreTranslatedWhileALanguageIsSet) {
  writeGermanTables();
  engine.options.overrides = {{"LANGUAGE", "German"}, {"RUNAPP", "JA"}};
  // Slot 1 turns the left operand REPAIR into RUNAPP, slot 2 the right TRUE into JA.
  run({{"If", {"REPAIR", "0", "TRUE", "FALSE"}}, kMark, kEnd});
  EXPECT_EQ(var("LANGUAGE"), "German");
  EXPECT_EQ(trace, (Trace{1, 2, 3}));
  EXPECT_EQ(engine.messages.message(20), "Runtime error in setup script:");
}

TEST_F(LanguageTest, MissingTranslationFileSwitchesTranslationsOff) {
  engine.options.overrides = {{"LANGUAGE", "Klingon"}};
  run({kMark});
  EXPECT_EQ(var("LANGUAGE"), "");
}

TEST_F(LanguageTest, SharedMessagesOfTheLanguageReplaceTheTable) {
  writeGermanTables();
  writeSupportFile("shared.translations.German", std::string(19, '\n') + "Laufzeitfehler:\r\n");
  engine.options.overrides = {{"LANGUAGE", "German"}};
  std::vector<Statement> statements = {kMark};
  statements.insert(statements.end(), kUndefinedAtRunTime.begin(), kUndefinedAtRunTime.end());
  run(statements);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_TRUE(fake.boxes[0].text.starts_with("Laufzeitfehler:\r\rLine 5: ")) << fake.boxes[0].text;
}

}  // namespace
}  // namespace kx::test
