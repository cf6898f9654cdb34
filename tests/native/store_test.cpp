#include <gtest/gtest.h>

#include "base/message_table.h"
#include "base/script_error.h"
#include "base/values.h"
#include "interpreter/variable_store.h"

namespace kx {
namespace {

class StoreTest : public ::testing::Test {
 protected:
  MessageTable messages;
  VariableStore store{messages};
  void define(const std::string& name, const std::string& value) {
    store.defineAndSet(name, value, "Test");
  }
};

TEST_F(StoreTest, ExpandsInStoreOrderAndAgainUntilSettled) {
  define("A", "x");
  define("B", "[$A$]");
  EXPECT_EQ(store.expand("$b$-$A$"), "[x]-x");
}

TEST_F(StoreTest, ExpansionEdgeCases) {
  define("TARGETDIR", "C:\\App");
  define("NEWLINE", "never");
  struct Case {
    const char* input;
    const char* expected;
  } cases[] = {
      {"$targetdir$\\bin", "C:\\App\\bin"},
      {"a$NEWLINE$b", "a\r\nb"},
      {"a$newline$b", "a\r\nb"},
      {"$NOSUCH$", "$NOSUCH$"},
      {"100$", "100$"},
      {"$$TARGETDIR$$", "$C:\\App$"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(store.expand(c.input), c.expected) << c.input;
}

TEST_F(StoreTest, ReplacementIsNotSearchedAgainForTheSameVariableButLaterOnesSeeIt) {
  define("A", "$B$");
  define("B", "b");
  define("C", "$C$$C$");  // refers to itself: must stop
  EXPECT_EQ(store.expand("$A$"), "b");
  const std::string grown = store.expand("$C$");
  EXPECT_GE(grown.size(), 6u);
  EXPECT_LE(grown.size(), VariableStore::kMaxExpansionGrowth * 2 + 16);
  define("D", "<$D$>");
  const std::string nested = store.expand("$D$");
  EXPECT_EQ(nested.size(), 3u + 2u * VariableStore::kMaxExpansionPasses);
}

TEST_F(StoreTest, ExpandPathFoldsDoubledBackslashesButKeepsUncPrefix) {
  define("DIR", "C:\\A\\");
  EXPECT_EQ(store.expandPath("$DIR$\\file"), "C:\\A\\file");
  EXPECT_EQ(store.expandPath("\\\\server\\\\share"), "\\\\server\\share");
  EXPECT_EQ(store.expandPath("a\\\\\\b"), "a\\\\b");
}

TEST_F(StoreTest, GetAndSetOfUndefinedNamesAreScriptErrors) {
  try {
    store.get("NOPE");
    FAIL();
  } catch (const ScriptError& e) {
    EXPECT_STREQ(e.what(), "Attempting to get value of undefined variable NOPE");
  }
  try {
    store.set("NOPE", "x", "Test");
    FAIL();
  } catch (const ScriptError& e) {
    EXPECT_STREQ(e.what(), "Attempting to set value of undefined variable NOPE");
  }
  store.defineAndSet("", "x", "Test");
  EXPECT_TRUE(store.snapshot().empty());
}

TEST_F(StoreTest, NamesIgnoreCaseOfAsciiLettersOnlyAndKeepTheirFirstSpelling) {
  define("MixedCase", "1");
  store.set("MIXEDCASE", "2", "Test");
  ASSERT_EQ(store.snapshot().size(), 1u);
  EXPECT_EQ(store.snapshot()[0].name, "MixedCase");
  EXPECT_EQ(store.get("mixedcase"), "2");
  define("\xE9t\xE9", "accented");
  EXPECT_FALSE(store.isDefined("\xC9T\xC9"));
}

TEST_F(StoreTest, OverridesWinOnlyInSilentRuns) {
  store.setOverrides({{"TARGETDIR", "C:\\X"}});
  define("TARGETDIR", "");
  store.set("TARGETDIR", "C:\\X", kOverrideContext);
  store.setSilent(true);
  store.set("TARGETDIR", "C:\\Script", "Set Variable Action");
  EXPECT_EQ(store.get("TARGETDIR"), "C:\\X");
  store.setSilent(false);
  store.set("TARGETDIR", "C:\\Script", "Set Variable Action");
  EXPECT_EQ(store.get("TARGETDIR"), "C:\\Script");
}

TEST_F(StoreTest, ValueEqualToAnotherNameDoesNotDefineIt) {
  define("A", "B");
  EXPECT_FALSE(store.isDefined("B"));
}

TEST_F(StoreTest, ResultPatternDefinesUpperCaseName) {
  store.writeResult("result", "42", "Mathematics Action");
  ASSERT_EQ(store.snapshot().size(), 1u);
  EXPECT_EQ(store.snapshot()[0].name, "RESULT");
  EXPECT_EQ(store.get("Result"), "42");
}

TEST_F(StoreTest, ExportAndImportRoundTripQuotedValues) {
  define("A", "with blank");
  define("B", "");
  define("C", "quote\"comma,");
  const std::string list = store.exportList();
  EXPECT_EQ(list, "A,\"with blank\",B,,C,\"quote\"\"comma,\"");
  store.clear();
  store.importList(list);
  EXPECT_EQ(store.get("A"), "with blank");
  EXPECT_EQ(store.get("B"), "");
  EXPECT_EQ(store.get("C"), "quote\"comma,");
}

TEST_F(StoreTest, ExportAndImportKeepEveryByteOfNamesAndValues) {
  std::string every;
  for (int code = 0; code <= 255; ++code) every += static_cast<char>(code);
  define("ALL", every);
  define("NUL", std::string(1, '\0'));
  define(every.substr(1), "name of every byte but NUL");
  define("AFTER", "z");
  const std::vector<Variable> before = store.snapshot();
  const std::string list = store.exportList();
  store.clear();
  store.importList(list);
  const std::vector<Variable> after = store.snapshot();
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(after[i].name, before[i].name) << i;
    EXPECT_EQ(after[i].value, before[i].value) << i;
  }
}

TEST_F(StoreTest, ImportedListWithARepeatedNameKeepsTheFirstEntry) {
  store.importList("A,first,B,b,a,second,A,third");
  ASSERT_EQ(store.snapshot().size(), 2u);
  EXPECT_EQ(store.snapshot()[0].name, "A");
  EXPECT_EQ(store.get("A"), "first");
  EXPECT_EQ(store.expand("$A$"), "first");
}

TEST_F(StoreTest, ChainsWithoutALoopExpandToTheirEndAtAnyDepth) {
  // Defined last to first, so that each pass resolves one level only.
  for (int depth : {33, 41, 200}) {
    store.clear();
    for (int i = depth; i >= 1; --i)
      define("V" + std::to_string(i), i == depth ? "end" : "<$V" + std::to_string(i + 1) + "$>");
    const std::string expected = std::string(depth - 1, '<') + "end" + std::string(depth - 1, '>');
    EXPECT_EQ(store.expand("$V1$"), expected) << depth;
  }
}

TEST_F(StoreTest, AValueThatReachesItselfStillStopsAfterTheFixedPasses) {
  // The loop runs through other variables and sits at the end of a long chain.
  for (int i = 40; i >= 1; --i) define("V" + std::to_string(i), "$V" + std::to_string(i + 1) + "$");
  define("V41", "<$LOOP$>");
  define("LOOP", "($V41$)");
  const std::string result = store.expand("$V1$");
  EXPECT_NE(result.find('$'), std::string::npos);
  EXPECT_LT(result.size(), 200u);
  // Without the loop the same chain settles.
  store.set("LOOP", "end", "Test");
  EXPECT_EQ(store.expand("$V1$"), "<end>");
}

TEST_F(StoreTest, AnEmptyNameIsReferencedByTwoDollarSignsInEveryStore) {
  // Only a plug-in's list can hold an empty name; a name with "$" takes another path through
  // the expansion, which must give the same text.
  for (const char* list : {",e,A,a", ",e,A,a,X$Y,xy"}) {
    store.importList(list);
    EXPECT_EQ(store.expand("[$$]$A$"), "[e]a") << list;
    EXPECT_EQ(store.expand("$A$$"), "$Ae") << list;
  }
}

TEST(Values, ReferenceNameAndTruth) {
  EXPECT_EQ(referenceName("$A$"), "A");
  for (const char* text : {"A", "$A", "$A$B$", "$", "$$", ""})
    EXPECT_EQ(referenceName(text), "") << text;
  for (const char* text : {"true", "True", "TRUE", "-1"}) EXPECT_TRUE(isTrue(text)) << text;
  for (const char* text : {"1", "yes", " TRUE", "", "-1 "}) EXPECT_FALSE(isTrue(text)) << text;
}

TEST(Values, IntegerConversion) {
  struct Case {
    const char* text;
    std::optional<int32_t> value;
  } cases[] = {
      {"0", 0},
      {"  42", 42},
      {"+7", 7},
      {"-12", -12},
      {"$1F", 31},
      {"x10", 16},
      {"0x10", 16},
      {"0XfF", 255},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"2147483648", std::nullopt},
      {"$FFFFFFFF", -1},
      {"$100000000", std::nullopt},
      {"", std::nullopt},
      {" ", std::nullopt},
      {"12 ", std::nullopt},
      {"1.5", std::nullopt},
      {"-", std::nullopt},
      {"0x", std::nullopt},
      {"9x", std::nullopt},
      {"007", 7},
  };
  for (const auto& c : cases) EXPECT_EQ(tryParseInteger(c.text), c.value) << c.text;
  try {
    parseInteger("abc");
    FAIL();
  } catch (const ScriptError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
  }
}

TEST(Values, PathHelpers) {
  EXPECT_EQ(withTrailingBackslash("C:\\A"), "C:\\A\\");
  EXPECT_EQ(withTrailingBackslash("C:\\A\\"), "C:\\A\\");
  EXPECT_EQ(withTrailingBackslash(""), "");
  EXPECT_EQ(withoutTrailingBackslash("C:\\A\\"), "C:\\A");
  EXPECT_EQ(baseName("C:\\A\\setup.tar.gz"), "setup.tar");
  EXPECT_EQ(baseName("setup"), "setup");
}

}  // namespace
}  // namespace kx
