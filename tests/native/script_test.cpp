#include <gtest/gtest.h>

#include "base/script_error.h"
#include "script/script.h"

namespace kx {
namespace {

std::string crlf(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) text += std::string(line) + "\r\n";
  return text;
}

// The short script of the worked example: the first statements and a parameter section in
// which the blocks are grouped by command, not in statement order.
const std::string kExample = crlf({
    "Get Folder Location",
    "Set Variable",
    "Comment",
    "If",
    "$",
    "{078FA301-E012-4A04-BDF6-43A00A931924}",
    "{F32A51CE-2D0A-4526-9486-B3FE7C2FF791}",
    "{8D755E0C-4605-442B-BFE2-5E5ADD1268A3}",
    "{D910B05E-D474-412E-B629-3D0C4AE27374}",
    "$",
    "{8D755E0C-4605-442B-BFE2-5E5ADD1268A3}",
    "",
    "{F32A51CE-2D0A-4526-9486-B3FE7C2FF791}",
    "LIST",
    "$TREE$\\desktop.ini",
    "{D910B05E-D474-412E-B629-3D0C4AE27374}",
    "WIZARD",
    "0",
    "CANCEL",
    "FALSE",
    "{078FA301-E012-4A04-BDF6-43A00A931924}",
    "TREE",
    "2",
    "TRUE",
    "$",
    "",
    "",
    "C",
    "",
    "$",
    "{D476A5F2-B52A-464F-82D1-2B29B76326B2}",
    "File Selector",
    "Bundle Files",
    "$",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "$",
    "2",
    "VELK-PREDEF-COMPONENT",
    "0",
    "$",
    "{29ABEC92-7A56-44D7-8B9E-2D14BBB3995E}",
    "$",
    "FALSE",
    "English",
    "$",
});

TEST(ScriptReader, ReadsTheTwentyFields) {
  Script script;
  const ScriptReadResult read = readScript(kExample, script);
  ASSERT_TRUE(read.complete) << read.problem;
  EXPECT_EQ(script.statementCount(), 4u);
  EXPECT_EQ(script.command(4), "If");
  EXPECT_TRUE(script.isDisabled(3));
  EXPECT_FALSE(script.isDisabled(4));
  EXPECT_EQ(script.productCode, "{D476A5F2-B52A-464F-82D1-2B29B76326B2}");
  EXPECT_EQ(script.title, "File Selector");
  EXPECT_EQ(script.plugins, Lines{"Bundle Files"});
  EXPECT_EQ(script.sourceMode, 2);
  EXPECT_EQ(script.componentSizes, (Lines{"VELK-PREDEF-COMPONENT", "0"}));
  EXPECT_EQ(script.revisionCode, "{29ABEC92-7A56-44D7-8B9E-2D14BBB3995E}");
  EXPECT_TRUE(script.mediaFileMap.empty());
  EXPECT_EQ(script.languageDialogFlag, "FALSE");
  EXPECT_EQ(script.defaultLanguage, "English");
  EXPECT_TRUE(script.commandHeaders.empty());
  EXPECT_EQ(writeScript(script), kExample);
}

TEST(ScriptReader, ParameterLookup) {
  Script script;
  readScript(kExample, script);
  EXPECT_EQ(script.parameter(script.id(4), 2), "0");
  EXPECT_EQ(script.parameter(script.id(4), 0), script.id(4));
  EXPECT_EQ(script.parameter(script.id(2), 2), "$TREE$\\desktop.ini");
  EXPECT_EQ(script.parameter("{NO-BLOCK}", 3), "");
  // The section has 14 lines; the block of statement 1 starts at index 10.
  try {
    script.parameter(script.id(1), 4);
    FAIL();
  } catch (const ScriptError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (14)");
  }
}

TEST(ScriptReader, FirstLineOfTheWholeSectionThatEqualsTheIdWins) {
  Script script;
  script.parameterSection = {"{A}", "{B}", "x", "{B}", "y", "z"};
  script.rebuildIndexes();
  EXPECT_EQ(script.parameter("{B}", 1), "x");
  EXPECT_EQ(script.parameter("{A}", 3), "{B}");
}

TEST(ScriptReader, StatementParameterFindsTheSameLinesAsTheIdLookup) {
  Script script;
  script.commands = {"One", "Two", "Three"};
  script.ids = {"{A}", "{B}", "{C}"};
  // The first line equal to {B} is a parameter of {A}, not the start of {B}'s own block.
  script.parameterSection = {"{A}", "{B}", "x", "{B}", "y"};
  script.rebuildIndexes();
  EXPECT_EQ(script.statementParameter(1, 1), "{B}");
  EXPECT_EQ(script.statementParameter(2, 1), "x");
  EXPECT_EQ(script.statementParameter(3, 1), "");
  try {
    script.statementParameter(2, 4);
    FAIL();
  } catch (const ScriptError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (5)");
  }
}

TEST(ScriptReader, EntriesStayExactlyAsRead) {
  Script script;
  std::string text = crlf({" Set Variable ", "$ ", " $", "$"});
  ASSERT_FALSE(readScript(text, script).complete);
  EXPECT_EQ(script.commands, (Lines{" Set Variable ", "$ ", " $"}));
}

TEST(ScriptReader, TruncatedFilesAreReportedNotWaitedFor) {
  for (size_t cut : {size_t{0}, size_t{10}, kExample.size() / 2, kExample.size() - 3}) {
    Script script;
    const ScriptReadResult read = readScript(kExample.substr(0, cut), script);
    EXPECT_FALSE(read.complete) << cut;
    EXPECT_FALSE(read.problem.empty()) << cut;
  }
}

TEST(ScriptReader, SourceModeMustBeDecimal) {
  for (const char* mode : {"x2", "two", "$2", ""}) {
    std::string text = kExample;
    text.replace(text.find("\r\n2\r\nVELK") + 2, 1, mode);
    Script script;
    EXPECT_FALSE(readScript(text, script).complete) << mode;
  }
}

TEST(ScriptReader, CommandHeaderIsTheLineBeforeTheStatementIndex) {
  Script script;
  script.commandHeaders = {"FILES", "0", "REG", "2"};
  script.rebuildIndexes();
  EXPECT_EQ(script.commandHeader(1, false), "FILES");
  EXPECT_EQ(script.commandHeader(3, false), "REG");
  EXPECT_EQ(script.commandHeader(2, true), "");
  try {
    script.commandHeader(2, false);
    FAIL();
  } catch (const ScriptError& e) {
    EXPECT_STREQ(e.what(), "Unable to obtain command headers. Please rebuild your project.");
  }
}

}  // namespace
}  // namespace kx
