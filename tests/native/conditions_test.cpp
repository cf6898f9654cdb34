#include <gtest/gtest.h>

#include "base/script_error.h"
#include "interpreter/conditions.h"
#include "interpreter/engine.h"
#include "startup/engine_commands.h"
#include "tests/native/fake_platform.h"
#include "tests/native/script_builder.h"

namespace kx::test {
namespace {

class ConditionTest : public ::testing::Test {
 protected:
  ConditionTest() : engine(fake.platform(), engineCommands()) {}

  // Evaluates the condition of an "If" with these four lines, as its first statement.
  bool evaluate(std::vector<std::string> lines) {
    engine.script = buildScript({{"If", std::move(lines)}});
    engine.run.position = 1;
    return evaluateCondition(engine);
  }
  void define(const std::string& name, const std::string& value) {
    engine.store.defineAndSet(name, value, "Test");
  }

  FakePlatform fake;
  Engine engine;
};

struct ConditionCase {
  const char* left;  // value of the variable L
  const char* mode;
  const char* right;  // the right operand line
  const char* negation;
  bool expected;
};

TEST_F(ConditionTest, ModesIntegerFormAndNegation) {
  const ConditionCase cases[] = {
      // Text equality is exact.
      {"CANCEL", "0", "CANCEL", "FALSE", true},
      {"CANCEL", "0", "cancel", "FALSE", false},
      {"", "0", "", "FALSE", true},
      {"7 ", "0", "7", "FALSE", false},  // a trailing blank is not integer form
      // Integer form by the engine's conversion.
      {"007", "0", "7", "FALSE", true},
      {"  7", "0", "+7", "FALSE", true},
      {"$10", "0", "16", "FALSE", true},
      {"0x10", "0", "x10", "FALSE", true},
      {"2147483648", "0", "2147483648", "FALSE", true},  // too big: compared as text
      {"2147483648", "0", "-2147483648", "FALSE", false},
      // Containment, but equality for two integers.
      {"ABC", "1", "B", "FALSE", true},
      {"ABC", "1", "b", "FALSE", false},
      {"ABC", "1", "", "FALSE", false},
      {"", "1", "", "FALSE", false},
      {"15", "1", "5", "FALSE", false},
      {"15", "1", "015", "FALSE", true},
      {"a15", "1", "5", "FALSE", true},
      // Greater than: signed numbers, else unsigned bytes with the longer prefix after.
      {"10", "2", "9", "FALSE", true},
      {"9", "2", "10", "FALSE", false},
      {"-1", "2", "-2", "FALSE", true},
      {"-2", "2", "-1", "FALSE", false},
      {"10", "2", "9x", "FALSE", false},
      {"\xE9", "2", "z", "FALSE", true},
      {"abc", "2", "ab", "FALSE", true},
      {"ab", "2", "abc", "FALSE", false},
      {"ab", "2", "ab", "FALSE", false},
      // Unknown modes are false, then negated like any result.
      {"x", "3", "x", "FALSE", false},
      {"x", " 0", "x", "FALSE", false},
      {"x", "", "x", "FALSE", false},
      {"x", "3", "x", "TRUE", true},
      // Negation is a truth parameter.
      {"CANCEL", "0", "CANCEL", "TRUE", false},
      {"CANCEL", "0", "CANCEL", "true", false},
      {"CANCEL", "0", "CANCEL", "-1", false},
      {"CANCEL", "0", "CANCEL", "1", true},
      {"CANCEL", "0", "CANCEL", "", true},
  };
  for (const ConditionCase& c : cases) {
    define("L", c.left);
    EXPECT_EQ(evaluate({"L", c.mode, c.right, c.negation}), c.expected)
        << "'" << c.left << "' mode '" << c.mode << "' '" << c.right << "' negation '" << c.negation
        << "'";
  }
}

TEST_F(ConditionTest, OperandForms) {
  define("WIZARD", "CANCEL");
  define("X", "abc");
  define("LIT", "x$X$");
  define("LINES", "a$NEWLINE$b");
  EXPECT_TRUE(evaluate({"$WIZARD$", "0", "CANCEL", "FALSE"}));
  EXPECT_TRUE(evaluate({"wizard", "0", "CANCEL", "FALSE"}));
  EXPECT_TRUE(evaluate({"WIZARD", "0", "$wizard$", "FALSE"}));
  EXPECT_FALSE(evaluate({"X", "0", "$WIZARD$", "FALSE"}));
  // A literal right operand is not expanded, "$NEWLINE$" included.
  EXPECT_TRUE(evaluate({"LIT", "0", "x$X$", "FALSE"}));
  EXPECT_FALSE(evaluate({"X", "1", "x$X$", "FALSE"}));
  EXPECT_TRUE(evaluate({"LINES", "0", "a$NEWLINE$b", "FALSE"}));
}

TEST_F(ConditionTest, UndefinedOperandsAreScriptErrors) {
  define("X", "abc");
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"NOSUCH", "0", "x", ""}, "NOSUCH"},
      {{"$NOSUCH$", "0", "x", ""}, "NOSUCH"},
      {{"X", "0", "$NOSUCH$", ""}, "NOSUCH"},
      {{"LEFT", "0", "$RIGHT$", ""}, "LEFT"},
      {{"", "0", "x", ""}, ""},
  };
  for (const auto& [lines, name] : cases) {
    try {
      evaluate(lines);
      ADD_FAILURE() << "no error for " << lines[0];
    } catch (const ScriptError& error) {
      EXPECT_EQ(error.what(), "Attempting to get value of undefined variable " + name);
    }
  }
}

TEST_F(ConditionTest, MissingParameterBlockNamesTheEmptyVariable) {
  engine.script = buildScript({{"If", {}}});
  engine.run.position = 1;
  EXPECT_THROW(evaluateCondition(engine), ScriptError);
}

TEST_F(ConditionTest, OperandsAreTranslatedInSlotsOneAndTwo) {
  define("ORIGINAL", "a");
  define("TRANSLATED", "b");
  const std::vector<std::string> lines = {"ORIGINAL", "0", "a", "FALSE"};
  EXPECT_TRUE(evaluate(lines));
  engine.run.currentLanguage = "German";
  engine.run.translations.keys = {"other", upperAscii(statementIdFor(1)), "next"};
  engine.run.translations.translation = {"-", "TRANSLATED", "$ORIGINAL$", "-"};
  EXPECT_FALSE(evaluate(lines));  // "b" against the value of ORIGINAL, "a"
  engine.run.translations.translation[2] = "b";
  EXPECT_TRUE(evaluate(lines));
  // An id without a key keeps its own lines.
  engine.run.translations.keys = {"other"};
  EXPECT_TRUE(evaluate(lines));
}

}  // namespace
}  // namespace kx::test
