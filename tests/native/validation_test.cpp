#include <gtest/gtest.h>

#include "base/message_table.h"
#include "base/script_error.h"
#include "script/validation.h"
#include "startup/engine_commands.h"
#include "tests/native/engine_fixture.h"

namespace kx::test {
namespace {

const Statement kIf{"If", {"RUNAPP", "0", "TRUE", "FALSE"}};
const Statement kEnd{"End", {}};
const Statement kLoop{"Wizard Loop", {}};
const Statement kDialog{"Display Dialog", {"page", "WIZARD", "TRUE", "", "TRUE", "FALSE"}};
const Statement kComment{"Comment", {"note"}};
Statement label(std::string name) {
  return {"Label", {std::move(name)}};
}
Statement goTo(std::string name) {
  return {"GoTo Label", {std::move(name)}};
}
Statement setVariable(std::string name) {
  return {"Set Variable", {std::move(name), "v"}};
}
Statement condition(std::string left, std::string right) {
  return {"If", {std::move(left), "0", std::move(right), "FALSE"}};
}
Statement disabled(Statement s) {
  s.disabled = true;
  return s;
}

const std::string kNested = "LABEL statements cannot be nested inside loops/conditionals";
const std::string kInsufficient = "Insufficient END statements";
const std::string kTooMany = "Too many END statements";
const std::string kNotInLoop =
    "Statements other than DISPLAY DIALOG not allowed inside WIZARD LOOP";
const std::string kNoUrl = "Web Media Block must have a download URL";
const std::string kBadName = "Web Media Block name must be a legal file name";
const std::string kNoDeleteMode = "At least one delete mode must be selected";
const std::string kNoTarget =
    "A target folder must be specified for files that are being installed.\rThe value "
    "$TARGETDIR$ represents the destination folder chosen by the user.";

struct ValidationCase {
  const char* name;
  std::vector<Statement> statements;
  int32_t result;
  std::string message;
};

void PrintTo(const ValidationCase& c, std::ostream* out) {
  *out << c.name;
}

class ValidationTest : public ::testing::TestWithParam<ValidationCase> {
 protected:
  MessageTable messages;
  VariableStore store{messages};
};

TEST_P(ValidationTest, ReportsTheFirstFault) {
  const ValidationCase& c = GetParam();
  const ValidationResult result =
      validateScript(buildScript(c.statements), engineCommands(), store);
  EXPECT_EQ(result.result, c.result);
  EXPECT_EQ(result.message, c.message.empty() ? std::string(kCompiledSuccessfully) : c.message);
}

ValidationCase valid(const char* name, std::vector<Statement> statements) {
  return {name, std::move(statements), ValidationResult::kValid, ""};
}

INSTANTIATE_TEST_SUITE_P(
    BlocksAndLabels, ValidationTest,
    ::testing::Values(
        valid("EmptyScript", {}),
        valid("ChainAndLoop", {kIf,
                               {"Else If", {"REPAIR", "0", "x", ""}},
                               {"Else", {}},
                               kEnd,
                               kLoop,
                               kDialog,
                               kEnd,
                               label("After")}),
        ValidationCase{"LabelInsideIf", {kIf, label("In"), kEnd}, 1, kNested},
        ValidationCase{
            "LabelBelowDepthZeroIsNestedNotTooManyEnds", {kEnd, label("L"), kIf}, 1, kNested},
        valid("LabelInsideDisabledBlock", {disabled(kIf), label("L"), disabled(kEnd)}),
        ValidationCase{
            "InsufficientEndsNameTheLastStatement", {kIf, kComment, kComment}, 2, kInsufficient},
        ValidationCase{"TooManyEnds", {kComment, kEnd, kComment}, 2, kTooMany},
        ValidationCase{"DisabledEndDoesNotClose", {kIf, disabled(kEnd)}, 1, kInsufficient},
        ValidationCase{"WizardLoopOpensABlock", {kLoop, kDialog}, 1, kInsufficient},
        ValidationCase{"BalanceBeforeLabels", {label("A"), label("A"), kIf}, 2, kInsufficient},
        ValidationCase{"RedefinedIgnoringCaseNamedAsWritten",
                       {label("Start"), kComment, label("START")},
                       2,
                       "LABEL re-defined: START"},
        ValidationCase{"DisabledLabelsCountForRedefinition",
                       {disabled(label("x")), disabled(label("x"))},
                       1,
                       "LABEL re-defined: x"},
        ValidationCase{"LabelsBeforeStatementRules",
                       {goTo("nowhere"), label("A"), label("a")},
                       2,
                       "LABEL re-defined: a"},
        valid("GoToLaterLabelIgnoringCase", {goTo("end"), label("End")}),
        valid("GoToDisabledLabel", {goTo("Exit"), disabled(label("exit"))}),
        ValidationCase{
            "GoToUndefinedLabel", {label("A"), goTo("Nowhere")}, 1, "LABEL undefined: Nowhere"},
        valid("DisabledGoToUndefinedLabel", {disabled(goTo("Nowhere"))})),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    StatementRules, ValidationTest,
    ::testing::Values(
        valid("DefinedBeforeUse", {setVariable("mine"), condition("MINE", "$mine$"), kEnd}),
        ValidationCase{"UsedBeforeDefinition",
                       {condition("mine", "x"), setVariable("MINE"), kEnd},
                       0,
                       "Variable not defined: mine"},
        ValidationCase{"DisabledStatementDefinesNothing",
                       {disabled(setVariable("mine")), condition("$MINE$", ""), kEnd},
                       1,
                       "Variable not defined: $MINE$"},
        ValidationCase{"DollarNameDefinedAsWritten",
                       {setVariable("$X$"), condition("$X$", ""), kEnd},
                       1,
                       "Variable not defined: $X$"},
        valid("DollarNameFoundAsWritten", {setVariable("$X$"), {"Convert Path", {"$x$", "0"}}}),
        ValidationCase{"IfNeedsLeftOperand", {condition("", "x"), kEnd}, 0, "Variable required"},
        valid("LiteralRightOperandsAreNotChecked",
              {condition("TARGETDIR", "x$NOSUCH$"), kEnd, condition("TARGETDIR", "$$"), kEnd,
               condition("TARGETDIR", "NOSUCH"), kEnd}),
        ValidationCase{"RightReferenceMustBeDefined",
                       {condition("TARGETDIR", "$NOSUCH$"), kEnd},
                       0,
                       "Variable not defined: $NOSUCH$"},
        ValidationCase{"BothOperandsUndefinedNamesTheRight",
                       {condition("LEFT", "$RIGHT$"), kEnd},
                       0,
                       "Variable not defined: $RIGHT$"},
        ValidationCase{"ElseIfHasTheIfRule",
                       {kIf, {"Else If", {"NOSUCH", "0", "", ""}}, kEnd},
                       1,
                       "Variable not defined: NOSUCH"},
        ValidationCase{"DialogNeedsAName",
                       {{"Display Dialog", {"", "WIZARD"}}},
                       0,
                       "Dialog name not specified"},
        valid("DialogDefinesItsResultBeforeItsCondition",
              {{"Display Dialog", {"page", "outcome", "TRUE", "$OUTCOME$", "", ""}}}),
        ValidationCase{"DialogConditionMustBeDefined",
                       {{"Display Dialog", {"page", "", "TRUE", "NOSUCH", "", ""}}},
                       0,
                       "Variable not defined: NOSUCH"},
        ValidationCase{"ConvertPathNeedsItsVariable",
                       {{"Convert Path", {"NOSUCH", "0"}}},
                       0,
                       "Variable not defined: NOSUCH"},
        ValidationCase{"ExtractPathNamesTheLineAsWritten",
                       {{"Extract Path", {"$TARGETDIR$", "0"}}},
                       0,
                       "Variable not defined: $TARGETDIR$"},
        ValidationCase{"ReplaceStringWithEmptyName",
                       {{"Replace String", {"", "a", "b"}}},
                       0,
                       "Variable not defined: "},
        valid("ReplaceStringIgnoresCase", {{"Replace String", {"targetdir", "a", "b"}}}),
        ValidationCase{"MsiQueryNeedsAVariable",
                       {{"Is MSI Setup Installed", {"{code}", ""}}},
                       0,
                       "Variable required"},
        ValidationCase{"FindAllFilesNeedsAVariable",
                       {{"Find All Files", {"C:\\", "*.*", "TRUE", ""}}},
                       0,
                       "Variable required"},
        ValidationCase{"DiskSpaceNeedsAVariable",
                       {{"Check Disk Space", {"", "C:\\"}}},
                       0,
                       "Variable required"},
        ValidationCase{"DeleteFilesNeedsAMode",
                       {{"Delete Files", {"C:\\x", "*.*", "1", "yes"}}},
                       0,
                       kNoDeleteMode},
        valid("DeleteFilesModes", {{"Delete Files", {"C:\\x", "*.*", "true", ""}},
                                   {"Delete Files", {"C:\\x", "*.*", "", "-1"}}}),
        ValidationCase{
            "InstallFilesNeedsATarget", {{"Install Files", {"a", "b", ""}}}, 0, kNoTarget},
        valid("DisabledStatementsHaveNoRules",
              {disabled({"Install Files", {"a", "b", ""}}), disabled(condition("NOSUCH", ""))}),
        valid("WebMediaBlockWithFolderPart",
              {{"Web Media Block", {"C:\\a|b\\ok.7z", "http://host/ok.7z"}},
               {"Web Media Block", {"", ""}}}),
        ValidationCase{"WebMediaBlockNeedsAUrl", {{"Web Media Block", {"block", ""}}}, 0, kNoUrl},
        ValidationCase{
            "WebMediaBlockUrlMessageWins", {{"Web Media Block", {"a?b", ""}}}, 0, kNoUrl},
        ValidationCase{"WebMediaBlockSlashAfterColon",
                       {{"Web Media Block", {"http:a/b", "http://host"}}},
                       0,
                       kBadName}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    WizardLoops, ValidationTest,
    ::testing::Values(
        valid("DialogsCommentsIgnoreAndDisabled",
              {kLoop, kDialog, kComment, {"Ignore", {}}, disabled(setVariable("X")), kEnd}),
        ValidationCase{
            "OtherStatementInsideLoop", {kLoop, kDialog, setVariable("X"), kEnd}, 2, kNotInLoop},
        ValidationCase{"IfInsideLoop", {kLoop, kIf, kEnd, kEnd}, 1, kNotInLoop},
        ValidationCase{"DisabledLoopStillOpensTheRegion",
                       {kIf, disabled(kLoop), setVariable("X"), kEnd},
                       2,
                       kNotInLoop},
        valid("DisabledEndStillClosesTheRegion",
              {kLoop, kDialog, disabled(kEnd), setVariable("X"), kEnd}),
        ValidationCase{"StatementRulesBeforeLoops",
                       {kLoop, setVariable("X"), kEnd, goTo("nowhere")},
                       3,
                       "LABEL undefined: nowhere"}),
    [](const auto& info) { return std::string(info.param.name); });

class ValidationStoreTest : public ::testing::Test {
 protected:
  MessageTable messages;
  VariableStore store{messages};
};

// Every command that writes result variables, with the lines that name them.
struct DefineCase {
  const char* command;
  std::vector<size_t> lines;
};

TEST_F(ValidationStoreTest, ResultLinesDefineUpperCaseNamesAndOtherLinesDoNot) {
  const DefineCase cases[] = {
      {"Get Folder Location", {1}},  {"Get INI File Settings", {1}},
      {"Check File Version", {1}},   {"Get System Settings", {1}},
      {"Read Registry", {1}},        {"Does File/Folder Exist", {1}},
      {"Set Variable", {1}},         {"Get Temporary File", {1}},
      {"Get IIS Property", {6}},     {"IIS Anonymous User", {1}},
      {"Apply Patch", {1}},          {"Get File Version", {2}},
      {"Get Environment", {2}},      {"Get IIS Site Index", {2}},
      {"Run Light Mode Setup", {2}}, {"Check Process", {2}},
      {"Apply Changes", {2}},        {"Get Component State", {2}},
      {"Extract 7Zip Archive", {3}}, {"Check Service", {3}},
      {"Register Library", {3}},     {"Mathematics", {4}},
      {"MessageBox", {5}},           {"Run Program", {5}},
      {"Run Program As", {8}},       {"Read from Text File", {2, 3}},
      {"Parse String", {3, 4}},      {"Is MSI Setup Installed", {2}},
      {"Find All Files", {4}},       {"Check Disk Space", {1}},
      {"Write Registry", {}},
  };
  for (const DefineCase& c : cases) {
    // Line n reads "line<n>"; the lines that name results must be the defined ones.
    Statement statement{c.command, {}};
    for (size_t n = 1; n <= 9; ++n) statement.parameters.push_back("line" + std::to_string(n));
    ASSERT_TRUE(validateScript(buildScript({statement}), engineCommands(), store).ok())
        << c.command;
    std::vector<size_t> defined;
    for (const Variable& v : store.snapshot()) {
      if (v.name.starts_with("LINE")) {
        defined.push_back(std::stoul(v.name.substr(4)));
        EXPECT_EQ(v.value, "");
      }
      EXPECT_FALSE(v.name.starts_with("line")) << c.command;
    }
    EXPECT_EQ(defined, c.lines) << c.command;
  }
}

TEST_F(ValidationStoreTest, StoreStartsFromThePredefinedNames) {
  store.defineAndSet("STALE", "old", "Test");
  const Script script = buildScript({setVariable("first"), setVariable("TIME")});
  ASSERT_TRUE(validateScript(script, engineCommands(), store).ok());
  const auto variables = store.snapshot();
  ASSERT_EQ(variables.size(), 47u);
  EXPECT_EQ(variables[0].name, "TIME");
  EXPECT_EQ(variables[1].name, "DATE");
  EXPECT_EQ(variables[24].name, "TARGETDIR");
  EXPECT_EQ(variables[45].name, "LANGUAGE");
  EXPECT_EQ(variables[46].name, "FIRST");
  for (const Variable& v : variables) EXPECT_EQ(v.value, "") << v.name;
}

TEST_F(ValidationStoreTest, LineBeyondTheParameterSectionIsAFailureOfThePass) {
  // The section holds the id and one line; the If rule reads line 3.
  try {
    validateScript(buildScript({{"If", {"RUNAPP"}}, kEnd}), engineCommands(), store);
    FAIL() << "no failure";
  } catch (const ScriptError& error) {
    EXPECT_STREQ(error.what(), "List index out of bounds (3)");
  }
}

TEST_F(EngineTest, FailedValidationRunsNothingAndShowsNothing) {
  const RunResult result = run({kComment, {"MessageBox", {"a", "b", "0", "0", "R"}}, kIf});
  EXPECT_EQ(result.end, RunEnd::Silent);
  EXPECT_EQ(result.validation.result, 2);
  EXPECT_EQ(result.validation.message, kInsufficient);
  EXPECT_TRUE(trace.empty());
  EXPECT_TRUE(fake.boxes.empty());
  EXPECT_TRUE(fake.dialogWindows.shown.empty());
  EXPECT_EQ(engine.exitCode, 0);
}

TEST_F(EngineTest, ValidationVariablesDoNotSurviveIntoTheRun) {
  const RunResult result =
      run({condition("REPAIR", "TRUE"), setVariable("ONLYINVALIDATION"), kEnd});
  EXPECT_TRUE(result.validation.ok());
  EXPECT_EQ(result.validation.message, kCompiledSuccessfully);
  EXPECT_FALSE(engine.store.isDefined("ONLYINVALIDATION"));
}

}  // namespace
}  // namespace kx::test
