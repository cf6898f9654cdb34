#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/headless/headless_platform.h"
#include "tests/native/engine_fixture.h"

namespace kx::test {
namespace {

Statement setVariable(const std::string& name, const std::string& value) {
  return {"Set Variable", {name, value}};
}
// Defines X for validation but never runs: X is undefined when the next statement needs it.
const std::vector<Statement> kDefinedButSkipped = {
    {"If", {"REPAIR", "0", "TRUE", "FALSE"}}, setVariable("X", "never"), {"End", {}}};

// The script-error report the interpreter shows for a failing statement.
std::string errorReport(size_t line, const std::string& message) {
  return "Runtime error in setup script:\r\rLine " + std::to_string(line) + ": " + message;
}

// ---- Set Variable ---------------------------------------------------------------------------

struct SetCase {
  const char* name;
  std::vector<Statement> statements;
  std::string variable;
  std::string expected;
};
void PrintTo(const SetCase& c, std::ostream* out) {
  *out << c.name;
}

class SetVariableTest : public EngineTest, public ::testing::WithParamInterface<SetCase> {};

TEST_P(SetVariableTest, WritesTheExpandedValue) {
  const SetCase& c = GetParam();
  ASSERT_EQ(run(c.statements).end, RunEnd::Normal);
  EXPECT_EQ(var(c.variable), c.expected);
  EXPECT_TRUE(fake.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetVariableTest,
    ::testing::Values(
        SetCase{"NewBareName", {setVariable("x", "abc")}, "X", "abc"},
        SetCase{"ReferenceWritesTheNamedVariable",
                {setVariable("X", "old"), setVariable("$X$", "new")},
                "X",
                "new"},
        SetCase{"ValueIsExpanded",
                {setVariable("A", "one"), setVariable("B", "$A$-$TITLE$")},
                "B",
                "one-Test"},
        SetCase{"NewlineReference", {setVariable("A", "1$NEWLINE$2")}, "A", "1\r\n2"},
        SetCase{"EmptyValue", {setVariable("TARGETDIR", "")}, "TARGETDIR", ""},
        SetCase{"PathValueKeepsDoubleBackslashes", {setVariable("A", "C:\\\\x")}, "A", "C:\\\\x"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SetVariableTest, NewVariableIsStoredUnderTheUpperCaseName) {
  run({setVariable("mixedCase", "1"), setVariable("$other$", "2")});
  const auto variables = engine.store.snapshot();
  const auto named = [&](const std::string& name) {
    return std::any_of(variables.begin(), variables.end(),
                       [&](const Variable& v) { return v.name == name; });
  };
  EXPECT_TRUE(named("MIXEDCASE"));
  EXPECT_TRUE(named("OTHER"));
  EXPECT_FALSE(engine.store.isDefined("$other$"));
}

TEST_F(SetVariableTest, SilentRunKeepsCommandLineOverride) {
  engine.options.silent = true;
  engine.options.overrides = {{"TARGETDIR", "D:\\Given"}};
  run({setVariable("TARGETDIR", "C:\\Script")});
  EXPECT_EQ(var("TARGETDIR"), "D:\\Given");
}

// A language whose table translates statement 2: slot 1 and slot 2.
class TranslatedTest : public EngineTest {
 protected:
  TranslatedTest() {
    const std::string& folder = engine.options.supportFolder;
    fake.files[upperAscii(folder + "translations.Map")] = "German\r\n";
    fake.files[upperAscii(folder + "Test.mtx")] = "other\r\n" + statementIdFor(2) + "\r\n";
    fake.files[upperAscii(folder + "translations.German")] = "x\r\nTitel $TITLE$\r\nNachricht\r\n";
  }
  const Statement kGerman = setVariable("LANGUAGE", "German");
};

TEST_F(TranslatedTest, SetVariableTakesSlotOneAndExpandsIt) {
  run({kGerman, setVariable("A", "default")});
  EXPECT_EQ(var("A"), "Titel Test");
}

TEST_F(TranslatedTest, MessageBoxTakesSlotsOneAndTwo) {
  run({kGerman, {"MessageBox", {"Caption", "Text", "0", "1", ""}}});
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].caption, "Titel Test");
  EXPECT_EQ(fake.boxes[0].text, "Nachricht");
}

TEST_F(TranslatedTest, UntranslatedStatementKeepsItsOwnText) {
  run({kGerman, {"Comment", {}}, setVariable("A", "default $TITLE$")});
  EXPECT_EQ(var("A"), "default Test");
}

// ---- Mathematics ----------------------------------------------------------------------------

struct MathCase {
  std::string a, b, code, expected;
};
void PrintTo(const MathCase& c, std::ostream* out) {
  *out << "'" << c.a << "' '" << c.b << "' code '" << c.code << "'";
}

class MathematicsTest : public EngineTest, public ::testing::WithParamInterface<MathCase> {};

TEST_P(MathematicsTest, ComputesOrLeavesTheResultEmpty) {
  const MathCase& c = GetParam();
  ASSERT_EQ(run({{"Mathematics", {c.a, c.b, c.code, "r"}}}).end, RunEnd::Normal);
  EXPECT_EQ(var("R"), c.expected);
  EXPECT_TRUE(fake.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Arithmetic, MathematicsTest,
    ::testing::Values(MathCase{"7", "3", "0", "10"}, MathCase{"7", "3", "1", "4"},
                      MathCase{"7", "-3", "2", "-21"}, MathCase{"7", "3", "3", "2"},
                      MathCase{"-7", "3", "3", "-2"}, MathCase{"7", "3", "4", "1"},
                      MathCase{"-7", "3", "4", "-1"}, MathCase{"7", "-3", "4", "1"},
                      MathCase{"3", "0", "3", ""}, MathCase{"3", "0", "4", ""},
                      MathCase{"$10", "0x10", "0", "32"}, MathCase{" +5", "X1f", "1", "-26"}));

INSTANTIATE_TEST_SUITE_P(WrapAround, MathematicsTest,
                         ::testing::Values(MathCase{"2147483647", "1", "0", "-2147483648"},
                                           MathCase{"-2147483648", "1", "1", "2147483647"},
                                           MathCase{"65536", "65536", "2", "0"},
                                           MathCase{"-2147483648", "-1", "3", "-2147483648"},
                                           MathCase{"-2147483648", "-1", "4", "0"},
                                           MathCase{"$FFFFFFFF", "1", "0", "0"}));

INSTANTIATE_TEST_SUITE_P(
    Bits, MathematicsTest,
    ::testing::Values(MathCase{"12", "10", "5", "8"}, MathCase{"12", "10", "6", "14"},
                      MathCase{"12", "10", "7", "6"}, MathCase{"1", "33", "8", "2"},
                      MathCase{"1", "31", "8", "-2147483648"}, MathCase{"-1", "28", "9", "15"},
                      MathCase{"-16", "1", "9", "2147483640"},
                      // Code 10 reads no second operand.
                      MathCase{"5", "junk", "10", "-6"}));

INSTANTIATE_TEST_SUITE_P(
    Characters, MathematicsTest,
    ::testing::Values(MathCase{"A", "junk", "11", "65"}, MathCase{"\xE9t\xE9", "", "11", "233"},
                      MathCase{"", "", "11", ""}, MathCase{"65", "junk", "12", "A"},
                      MathCase{"321", "", "12", "A"}, MathCase{"-191", "", "12", "A"}));

INSTANTIATE_TEST_SUITE_P(
    BadOperandsGiveEmptyText, MathematicsTest,
    ::testing::Values(MathCase{"abc", "1", "0", ""}, MathCase{"1", "abc", "0", ""},
                      MathCase{"1", "", "5", ""}, MathCase{"12 ", "1", "0", ""},
                      MathCase{"2147483648", "0", "0", ""}, MathCase{"1", "2", "add", ""},
                      MathCase{"1", "2", "", ""}, MathCase{"1", "2", "16", ""},
                      MathCase{"1", "2", "-1", ""}, MathCase{"x", "1", "13", ""},
                      MathCase{"x", "", "14", ""}));

INSTANTIATE_TEST_SUITE_P(UnseededRandom, MathematicsTest,
                         ::testing::Values(MathCase{"10", "", "15", "0"},
                                           MathCase{"0", "", "15", ""},
                                           MathCase{"3", "1", "13", "4"},
                                           MathCase{"5", "", "14", "5"}));

TEST_F(MathematicsTest, SeededRandomSequenceContinuesAcrossRuns) {
  const auto math = [](const char* a, const char* b, const char* code, const char* result) {
    return Statement{"Mathematics", {a, b, code, result}};
  };
  run({math("3", "1", "13", "SEED"), math("5", "", "14", "STATE"), math("10", "", "15", "R1"),
       math("10", "", "15", "R2")});
  EXPECT_EQ(var("SEED"), "4");
  EXPECT_EQ(var("STATE"), "5");
  EXPECT_EQ(var("R1"), "6");  // 3 * 5 + 1 = 16
  EXPECT_EQ(var("R2"), "9");  // 3 * 16 + 1 = 49
  // The generator belongs to the engine, not to one run. A limit that is no integer leaves
  // the state alone; a zero limit fails only after the state has moved on.
  run({math("ten", "", "15", "R3"), math("0", "", "15", "R4")});
  EXPECT_EQ(var("R3"), "");
  EXPECT_EQ(var("R4"), "");
  EXPECT_EQ(engine.random.state, 3 * 49 + 1);
  run({math("100", "", "15", "R5")});
  EXPECT_EQ(var("R5"), "45");  // 3 * 148 + 1 = 445
  EXPECT_EQ(engine.random.state, 445);
}

TEST_F(MathematicsTest, OperandsAreExpandedAndTheResultNameIsBare) {
  run({setVariable("A", "40"), setVariable("B", "2"), {"Mathematics", {"$A$", "$B$", "0", "$B$"}}});
  EXPECT_EQ(var("$B$"), "42");
  EXPECT_EQ(var("B"), "2");
}

TEST_F(MathematicsTest, EmptyResultNameWritesNothing) {
  const size_t before = [&] {
    run({});
    return engine.store.snapshot().size();
  }();
  ASSERT_EQ(run({{"Mathematics", {"1", "2", "0", ""}}}).end, RunEnd::Normal);
  EXPECT_EQ(engine.store.snapshot().size(), before);
}

// ---- Parse String ---------------------------------------------------------------------------

struct ParseCase {
  std::string source, delimiter, mode;
  std::string trim, ignoreCase;
  std::string first, second;
};
void PrintTo(const ParseCase& c, std::ostream* out) {
  *out << "'" << c.source << "' '" << c.delimiter << "' mode " << c.mode << " trim " << c.trim
       << " case " << c.ignoreCase;
}

class ParseStringTest : public EngineTest, public ::testing::WithParamInterface<ParseCase> {};

TEST_P(ParseStringTest, SplitsIntoTwoParts) {
  const ParseCase& c = GetParam();
  ASSERT_EQ(run({{"Parse String",
                  {c.source, c.delimiter, "first", "second", c.mode, c.trim, c.ignoreCase}}})
                .end,
            RunEnd::Normal);
  EXPECT_EQ(var("FIRST"), c.first);
  EXPECT_EQ(var("SECOND"), c.second);
}

INSTANTIATE_TEST_SUITE_P(
    AtDelimiter, ParseStringTest,
    ::testing::Values(ParseCase{"a.b.c", ".", "0", "", "", "a", "b.c"},
                      ParseCase{"a.b.c", ".", "1", "", "", "a.b", "c"},
                      ParseCase{"a.b.c", "x", "0", "", "", "a.b.c", ""},
                      ParseCase{"a.b.c", "x", "1", "", "", "", "a.b.c"},
                      ParseCase{"a.b.c", "", "0", "", "", "a.b.c", ""},
                      ParseCase{"a.b.c", "", "1", "", "", "", "a.b.c"},
                      ParseCase{"k==v==w", "==", "0", "", "", "k", "v==w"},
                      ParseCase{"k==v==w", "==", "1", "", "", "k==v", "w"},
                      ParseCase{"aaa", "aa", "1", "", "", "a", ""},
                      ParseCase{"", ".", "0", "", "", "", ""},
                      ParseCase{"axb", "X", "0", "", "", "axb", ""},
                      ParseCase{"axb", "X", "0", "", "TRUE", "a", "b"},
                      ParseCase{"AxBXc", "x", "1", "", "-1", "AxB", "c"},
                      ParseCase{"C:\\\\Dir\\\\file", "\\", "1", "", "", "C:\\Dir", "file"},
                      ParseCase{"\\\\srv\\share", "\\", "0", "", "", "", "\\srv\\share"}));

INSTANTIATE_TEST_SUITE_P(
    AtCount, ParseStringTest,
    ::testing::Values(ParseCase{"abcdef", "2", "2", "", "", "ab", "cdef"},
                      ParseCase{"abcdef", "2", "3", "", "", "abcd", "ef"},
                      ParseCase{"abcdef", "0", "2", "", "", "", "abcdef"},
                      ParseCase{"abcdef", "0", "3", "", "", "abcdef", ""},
                      ParseCase{"abcdef", "10", "2", "", "", "abcdef", ""},
                      ParseCase{"abcdef", "-1", "2", "", "", "", "abcdef"},
                      ParseCase{"abcdef", "6", "3", "", "", "", "abcdef"},
                      ParseCase{"abcdef", "9", "3", "", "", "", "abcdef"},
                      ParseCase{"abcdef", "$3", "2", "", "", "abc", "def"},
                      // A count that is not an integer is caught: both parts empty.
                      ParseCase{"abcdef", "two", "2", "", "", "", ""},
                      ParseCase{"abcdef", "", "3", "", "", "", ""}));

INSTANTIATE_TEST_SUITE_P(
    TrimAndUnknownModes, ParseStringTest,
    ::testing::Values(ParseCase{"  a , b  ", ",", "0", "TRUE", "", "a", "b"},
                      ParseCase{"  a , b  ", ",", "0", "FALSE", "", "  a ", " b  "},
                      ParseCase{"\ta\r\n=\x01 b\xA0", "=", "0", "true", "", "a", "b\xA0"},
                      ParseCase{"a.b", ".", "4", "", "", "", ""},
                      ParseCase{"a.b", ".", "-1", "", "", "", ""}));

TEST_F(ParseStringTest, EmptyNamesWriteOnlyTheOtherPart) {
  const size_t before = [&] {
    run({});
    return engine.store.snapshot().size();
  }();
  run({{"Parse String", {"a.b", ".", "", "second", "0", "", ""}}});
  EXPECT_EQ(var("SECOND"), "b");
  EXPECT_EQ(engine.store.snapshot().size(), before + 1);
}

TEST_F(ParseStringTest, SourceIsExpanded) {
  run({setVariable("S", "x=y"), {"Parse String", {"$S$", "=", "K", "V", "0", "", ""}}});
  EXPECT_EQ(var("K"), "x");
  EXPECT_EQ(var("V"), "y");
}

// ---- Replace String -------------------------------------------------------------------------

struct ReplaceCase {
  std::string source, find, replacement, ignoreCase, every, expected;
};
void PrintTo(const ReplaceCase& c, std::ostream* out) {
  *out << "'" << c.source << "' '" << c.find << "' -> '" << c.replacement << "' case "
       << c.ignoreCase << " all " << c.every;
}

class ReplaceStringTest : public EngineTest, public ::testing::WithParamInterface<ReplaceCase> {};

TEST_P(ReplaceStringTest, ReplacesInTheVariable) {
  const ReplaceCase& c = GetParam();
  ASSERT_EQ(run({setVariable("S", c.source),
                 {"Replace String", {"S", c.find, c.replacement, c.ignoreCase, c.every}}})
                .end,
            RunEnd::Normal);
  EXPECT_EQ(var("S"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReplaceStringTest,
                         ::testing::Values(ReplaceCase{"aAa", "a", "b", "", "", "bAa"},
                                           ReplaceCase{"aAa", "a", "b", "", "TRUE", "bAb"},
                                           ReplaceCase{"aAa", "a", "b", "TRUE", "TRUE", "bbb"},
                                           ReplaceCase{"AaA", "a", "b", "", "", "AbA"},
                                           ReplaceCase{"AaA", "a", "b", "-1", "", "baA"},
                                           ReplaceCase{"aa", "a", "aa", "", "TRUE", "aaaa"},
                                           ReplaceCase{"aaa", "aa", "b", "", "TRUE", "ba"},
                                           ReplaceCase{"abc", "x", "y", "", "TRUE", "abc"},
                                           ReplaceCase{"abc", "", "y", "", "TRUE", "abc"},
                                           ReplaceCase{"abc", "abcd", "y", "TRUE", "TRUE", "abc"},
                                           ReplaceCase{"abc", "abc", "", "", "", ""},
                                           ReplaceCase{"C:\\Old\\x", "\\Old", "\\$TITLE$", "", "",
                                                       "C:\\Test\\x"}));

TEST_F(ReplaceStringTest, ReferenceNamesTheVariable) {
  // The "$S$" statement keeps validation, which looks the name up as written, satisfied.
  run({setVariable("$S$", "one two"), {"Replace String", {"$S$", " ", "_", "", ""}}});
  EXPECT_EQ(var("S"), "one_two");
}

// ---- Extract Path ---------------------------------------------------------------------------

struct ExtractCase {
  std::string path, code, expected;
};
void PrintTo(const ExtractCase& c, std::ostream* out) {
  *out << "'" << c.path << "' code '" << c.code << "'";
}

class ExtractPathTest : public EngineTest, public ::testing::WithParamInterface<ExtractCase> {};

TEST_P(ExtractPathTest, ReplacesThePathByItsPart) {
  const ExtractCase& c = GetParam();
  ASSERT_EQ(run({setVariable("P", c.path), {"Extract Path", {"P", c.code}}}).end, RunEnd::Normal);
  EXPECT_EQ(var("P"), c.expected);
}

const std::string kFile = "C:\\Dir\\Sub\\file.tar.gz";
INSTANTIATE_TEST_SUITE_P(
    Codes, ExtractPathTest,
    ::testing::Values(ExtractCase{kFile, "0", "file.tar.gz"}, ExtractCase{kFile, "1", "file.tar"},
                      ExtractCase{kFile, "2", "gz"}, ExtractCase{kFile, "3", "C:\\Dir\\Sub\\"},
                      ExtractCase{kFile, "4", "C:\\Dir\\"}, ExtractCase{kFile, "5", "C:\\"},
                      ExtractCase{kFile, "6", kFile}, ExtractCase{kFile, "7", kFile},
                      ExtractCase{kFile, "-1", kFile},
                      ExtractCase{kFile, " $3", "C:\\Dir\\Sub\\"}));

INSTANTIATE_TEST_SUITE_P(
    Shapes, ExtractPathTest,
    ::testing::Values(ExtractCase{"C:\\a.b\\x.b", "1", "x"}, ExtractCase{"C:\\a.b\\x", "2", ""},
                      ExtractCase{"C:\\a.b\\x", "1", "x"}, ExtractCase{".profile", "1", ""},
                      ExtractCase{".profile", "2", "profile"},
                      ExtractCase{"C:file.txt", "0", "file.txt"},
                      ExtractCase{"C:file.txt", "3", "C:\\"}, ExtractCase{"file.txt", "3", ""},
                      ExtractCase{"file.txt", "5", ""}, ExtractCase{"C:\\Dir\\", "0", ""},
                      ExtractCase{"C:\\Dir\\", "4", "C:\\"}, ExtractCase{"C:\\file", "4", "C:\\"},
                      ExtractCase{"", "3", ""},
                      // Path expansion folds inner double backslashes and keeps a leading pair.
                      ExtractCase{"C:\\Dir\\\\Sub\\x", "3", "C:\\Dir\\Sub\\"},
                      ExtractCase{"\\\\srv\\share\\dir\\f.txt", "5", "\\\\srv\\share\\"},
                      ExtractCase{"\\\\srv\\share", "5", "\\\\srv\\share\\"},
                      ExtractCase{"\\\\srv\\share\\dir\\f.txt", "6", "\\srv\\share\\dir\\f.txt"},
                      ExtractCase{"\\\\srv\\share\\dir\\f.txt", "3", "\\\\srv\\share\\dir\\"}));

// ---- Convert Path ---------------------------------------------------------------------------

struct ConvertCase {
  std::string path, toShort, expected;
};
void PrintTo(const ConvertCase& c, std::ostream* out) {
  *out << "'" << c.path << "' short " << c.toShort;
}

class ConvertPathTest : public EngineTest, public ::testing::WithParamInterface<ConvertCase> {
 protected:
  ConvertPathTest() {
    fake.shortNames["C:\\PROGRAM FILES\\MY APP"] = "C:\\PROGRA~1\\MYAPP~1";
    fake.shortNames["C:\\PROGRAM FILES\\MY APP\\"] = "C:\\PROGRA~1\\MYAPP~1\\";
    fake.longNames["C:\\PROGRA~1\\MYAPP~1"] = "C:\\Program Files\\My App";
    fake.longNames["C:"] = "C:";
  }
};

TEST_P(ConvertPathTest, WritesTheFileSystemsForm) {
  const ConvertCase& c = GetParam();
  ASSERT_EQ(run({setVariable("P", c.path), {"Convert Path", {"P", c.toShort}}}).end,
            RunEnd::Normal);
  EXPECT_EQ(var("P"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConvertPathTest,
    ::testing::Values(ConvertCase{"C:\\Program Files\\My App", "TRUE", "C:\\PROGRA~1\\MYAPP~1"},
                      ConvertCase{"C:\\Program Files\\\\My App\\", "-1", "C:\\PROGRA~1\\MYAPP~1\\"},
                      ConvertCase{"C:\\Missing", "TRUE", ""},
                      ConvertCase{"c:\\progra~1\\myapp~1", "FALSE", "C:\\Program Files\\My App"},
                      // The long form drops one trailing backslash before asking.
                      ConvertCase{"C:\\PROGRA~1\\MYAPP~1\\", "", "C:\\Program Files\\My App"},
                      ConvertCase{"C:\\", "FALSE", "C:"}, ConvertCase{"C:\\Missing\\", "FALSE", ""},
                      ConvertCase{"", "FALSE", ""}));

TEST_F(ConvertPathTest, ValueIsExpandedAsAPath) {
  run({setVariable("ROOT", "C:\\Program Files\\"),
       setVariable("P", "$ROOT$\\My App"),
       {"Convert Path", {"P", "TRUE"}}});
  EXPECT_EQ(var("P"), "C:\\PROGRA~1\\MYAPP~1");
}

// ---- Get Temporary File ---------------------------------------------------------------------

class GetTemporaryFileTest : public EngineTest {};

TEST_F(GetTemporaryFileTest, CreatesAnEmptyUniqueFileInTheTemporaryFolder) {
  fake.files[upperAscii("C:\\Temp\\zel2.tmp")] = "taken";
  run({{"Get Temporary File", {"first"}}, {"Get Temporary File", {"$SECOND$"}}});
  EXPECT_EQ(var("FIRST"), "C:\\Temp\\zel1.tmp");
  EXPECT_EQ(var("SECOND"), "C:\\Temp\\zel3.tmp");
  EXPECT_FALSE(engine.store.isDefined("$SECOND$"));
  EXPECT_EQ(fake.files.at("C:\\TEMP\\ZEL1.TMP"), "");
  EXPECT_EQ(fake.files.at("C:\\TEMP\\ZEL2.TMP"), "taken");
}

TEST_F(GetTemporaryFileTest, FailureWritesTheEmptyText) {
  fake.temporaryFilesFail = true;
  ASSERT_EQ(run({setVariable("T", "old"), {"Get Temporary File", {"T"}}}).end, RunEnd::Normal);
  EXPECT_EQ(var("T"), "");
}

// ---- MessageBox -----------------------------------------------------------------------------

struct BoxCase {
  std::string icon, buttons;
  MessageAnswer answer;
  MessageIcon shownIcon;
  MessageButtons shownButtons;
  std::string word;
};
void PrintTo(const BoxCase& c, std::ostream* out) {
  *out << "icon '" << c.icon << "' buttons '" << c.buttons << "' -> " << c.word;
}

class MessageBoxTest : public EngineTest, public ::testing::WithParamInterface<BoxCase> {};

TEST_P(MessageBoxTest, ShowsTheBoxAndWritesTheAnswer) {
  const BoxCase& c = GetParam();
  fake.answers.push_back(c.answer);
  ASSERT_EQ(run({{"MessageBox", {"$TITLE$ setup", "Go on?", c.icon, c.buttons, "answer"}}}).end,
            RunEnd::Normal);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].caption, "Test setup");
  EXPECT_EQ(fake.boxes[0].text, "Go on?");
  EXPECT_EQ(fake.boxes[0].icon, c.shownIcon);
  EXPECT_EQ(fake.boxes[0].buttons, c.shownButtons);
  EXPECT_EQ(fake.boxes[0].owner, 0u);
  EXPECT_EQ(var("ANSWER"), c.word);
}

using enum MessageAnswer;
using I = MessageIcon;
using B = MessageButtons;
INSTANTIATE_TEST_SUITE_P(
    Codes, MessageBoxTest,
    ::testing::Values(BoxCase{"0", "0", Abort, I::Information, B::AbortRetryIgnore, "ABORT"},
                      BoxCase{"1", "0", Retry, I::Question, B::AbortRetryIgnore, "RETRY"},
                      BoxCase{"2", "0", Ignore, I::Warning, B::AbortRetryIgnore, "IGNORE"},
                      BoxCase{"3", "1", Ok, I::Error, B::Ok, "OK"},
                      BoxCase{"0", "2", Cancel, I::Information, B::OkCancel, "CANCEL"},
                      BoxCase{"0", "3", Retry, I::Information, B::RetryCancel, "RETRY"},
                      BoxCase{"0", "4", Yes, I::Information, B::YesNo, "YES"},
                      BoxCase{"0", "5", No, I::Information, B::YesNoCancel, "NO"},
                      BoxCase{"$3", " 5", Cancel, I::Error, B::YesNoCancel, "CANCEL"}));

// Codes outside the tables fall back to the information icon and a lone OK button.
INSTANTIATE_TEST_SUITE_P(OutOfRange, MessageBoxTest,
                         ::testing::Values(BoxCase{"4", "1", Ok, I::Information, B::Ok, "OK"},
                                           BoxCase{"-1", "6", Ok, I::Information, B::Ok, "OK"},
                                           BoxCase{"2", "-1", Ok, I::Warning, B::Ok, "OK"}));

TEST_F(MessageBoxTest, OwnedByTheModelessDialog) {
  run({{"Display Dialog", {"progress", "", "FALSE", "", "FALSE", "FALSE"}},
       {"MessageBox", {"c", "t", "0", "1", ""}}});
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].owner, 4242u);
}

TEST_F(MessageBoxTest, EmptyResultNameWritesNothing) {
  run({{"MessageBox", {"c", "t", "0", "4", ""}}});
  EXPECT_EQ(fake.boxes.size(), 1u);
  EXPECT_FALSE(engine.store.isDefined(""));
}

TEST_F(MessageBoxTest, SilentRunShowsNothingAndKeepsTheVariable) {
  engine.options.silent = true;
  fake.answers.push_back(MessageAnswer::No);
  run({setVariable("ANSWER", "before"), {"MessageBox", {"c", "t", "0", "4", "answer"}}});
  EXPECT_TRUE(fake.boxes.empty());
  EXPECT_EQ(var("ANSWER"), "before");
}

// ---- Script errors --------------------------------------------------------------------------

struct ErrorCase {
  const char* name;
  std::vector<Statement> statements;
  std::string message;
};
void PrintTo(const ErrorCase& c, std::ostream* out) {
  *out << c.name;
}

class ValueCommandErrorTest : public EngineTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(ValueCommandErrorTest, EndsTheRunWithOneReport) {
  const ErrorCase& c = GetParam();
  std::vector<Statement> statements = c.statements;
  statements.push_back(setVariable("AFTER", "ran"));
  EXPECT_EQ(run(statements).end, RunEnd::Error);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].caption, "Kestrix");
  EXPECT_EQ(fake.boxes[0].icon, MessageIcon::Error);
  EXPECT_EQ(fake.boxes[0].text, errorReport(statements.size() - 1, c.message));
  EXPECT_FALSE(engine.store.isDefined("AFTER"));
}

std::vector<Statement> afterSkippedDefinition(Statement statement) {
  std::vector<Statement> statements = kDefinedButSkipped;
  statements.push_back(std::move(statement));
  return statements;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ValueCommandErrorTest,
    ::testing::Values(ErrorCase{"ParseStringModeNotInteger",
                                {{"Parse String", {"a.b", ".", "F", "S", "zero", "", ""}}},
                                "'zero' is not a valid integer value"},
                      ErrorCase{"ParseStringModeEmpty",
                                {{"Parse String", {"a.b", ".", "F", "S", "", "", ""}}},
                                "'' is not a valid integer value"},
                      ErrorCase{"ExtractPathCodeNotInteger",
                                {setVariable("P", "C:\\x"), {"Extract Path", {"P", "1.5"}}},
                                "'1.5' is not a valid integer value"},
                      ErrorCase{"MessageBoxIconNotInteger",
                                {{"MessageBox", {"c", "t", "info", "1", ""}}},
                                "'info' is not a valid integer value"},
                      ErrorCase{"MessageBoxButtonsTooLarge",
                                {{"MessageBox", {"c", "t", "0", "4294967296", ""}}},
                                "'4294967296' is not a valid integer value"},
                      ErrorCase{"ConvertPathUndefined",
                                afterSkippedDefinition({"Convert Path", {"X", "TRUE"}}),
                                "Attempting to get value of undefined variable X"},
                      ErrorCase{"ExtractPathUndefined",
                                afterSkippedDefinition({"Extract Path", {"X", "0"}}),
                                "Attempting to get value of undefined variable X"},
                      ErrorCase{"ReplaceStringUndefined",
                                afterSkippedDefinition({"Replace String", {"X", "a", "b", "", ""}}),
                                "Attempting to get value of undefined variable X"},
                      ErrorCase{"SetVariableWithoutName",
                                {setVariable("", "value")},
                                "Attempting to set value of undefined variable "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ValueCommandErrorTest, ParseStringDefinesItsVariablesBeforeReadingTheMode) {
  run({{"Parse String", {"a.b", ".", "first", "second", "zero", "", ""}}});
  EXPECT_EQ(var("FIRST"), "");
  EXPECT_EQ(var("SECOND"), "");
}

TEST_F(ValueCommandErrorTest, MessageBoxCodesAreReadEvenInSilentRuns) {
  engine.options.silent = true;
  EXPECT_EQ(run({{"MessageBox", {"c", "t", "0", "many", ""}}}).end, RunEnd::Error);
  EXPECT_TRUE(fake.boxes.empty());
}

// ---- The headless platform's stand-ins, on real host files -----------------------------------

class HeadlessPathsTest : public ::testing::Test {
 protected:
  HeadlessPathsTest() {
    char folder[] = "/tmp/kx-values.XXXXXX";
    root_ = mkdtemp(folder);
    std::filesystem::create_directories(root_ + "/Some Dir/Inner");
    std::ofstream(root_ + "/Some Dir/File.TXT").flush();
  }
  ~HeadlessPathsTest() override { std::filesystem::remove_all(root_); }
  std::string windows(const std::string& relative) {
    return headless_.sandbox.windowsPath(root_ + relative);
  }

  std::string root_;
  std::ostringstream log_;
  HeadlessPlatform headless_{"/nonexistent-sandbox", "/zelrun", log_};
};

TEST_F(HeadlessPathsTest, LongFormSpellsComponentsAsListed) {
  EXPECT_EQ(headless_.files.longPathName(windows("/some dir/file.txt")),
            windows("/Some Dir/File.TXT"));
  EXPECT_EQ(headless_.files.longPathName(windows("/Some Dir/Inner")), windows("/Some Dir/Inner"));
  EXPECT_EQ(headless_.files.longPathName("z:"), "Z:");
  EXPECT_EQ(headless_.files.longPathName("z:" + windows("/some dir").substr(2)),
            windows("/Some Dir"));
  EXPECT_EQ(headless_.files.longPathName(windows("/Some Dir/missing/File.TXT")), std::nullopt);
  EXPECT_EQ(headless_.files.longPathName("relative\\path"), std::nullopt);
}

TEST_F(HeadlessPathsTest, ShortFormOfAnExistingPathIsThePathItself) {
  EXPECT_EQ(headless_.files.shortPathName(windows("/Some Dir/File.TXT")),
            windows("/Some Dir/File.TXT"));
  EXPECT_EQ(headless_.files.shortPathName(windows("/Some Dir/none.txt")), std::nullopt);
}

TEST_F(HeadlessPathsTest, TemporaryFilesAreNewAndEmpty) {
  std::ofstream(root_ + "/zel2.tmp") << "taken";
  const std::string folder = windows("");
  EXPECT_EQ(headless_.files.createTemporaryFile(folder, "zel"), folder + "\\zel1.tmp");
  EXPECT_EQ(headless_.files.createTemporaryFile(folder + "\\", "zel"), folder + "\\zel3.tmp");
  EXPECT_EQ(std::filesystem::file_size(root_ + "/zel1.tmp"), 0u);
  EXPECT_EQ(std::filesystem::file_size(root_ + "/zel2.tmp"), 5u);
  EXPECT_EQ(headless_.files.createTemporaryFile(windows("/missing"), "zel"), std::nullopt);
}

}  // namespace
}  // namespace kx::test
