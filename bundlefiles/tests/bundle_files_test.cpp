#include "bundlefiles/bundle_files.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "base/comma_text.h"
#include "bundlefiles/rx_runtime.h"

namespace rx {
namespace {

std::string upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

// Files and folders in maps keyed by upper-case path, as Windows compares them.
class FakeMachine : public BundleMachine {
 public:
  std::map<std::string, std::string> files;
  std::set<std::string> folders;
  std::set<std::string> unreadable;
  std::map<std::string, uint32_t> copyErrors;  // by target
  std::vector<std::pair<uintptr_t, std::string>> messages;
  std::vector<std::string> copied;  // targets, in order

  static std::string key(std::string path) {
    while (!path.empty() && path.back() == '\\') path.pop_back();
    return upper(path);
  }
  bool folderExists(const std::string& path) override { return folders.contains(key(path)); }
  bool fileExists(const std::string& path) override { return files.contains(key(path)); }
  std::optional<std::string> readFile(const std::string& path, std::string& error) override {
    if (unreadable.contains(key(path))) {
      error = "Access is denied";
      return std::nullopt;
    }
    return files.at(key(path));
  }
  uint32_t createFolders(const std::string& path) override {
    for (std::string folder = key(path); !folder.empty(); folder = key(folderOf(folder)))
      folders.insert(folder);
    return 0;
  }
  uint32_t copyFile(const std::string& source, const std::string& target) override {
    if (const auto error = copyErrors.find(key(target)); error != copyErrors.end())
      return error->second;
    if (!files.contains(key(source))) return 2;
    if (!folderExists(folderOf(target))) return 3;
    files[key(target)] = files[key(source)];
    copied.push_back(target);
    return 0;
  }
  std::string systemErrorText(uint32_t code) override {
    return code == 2 ? "The system cannot find the file specified"
                     : "Error " + std::to_string(code);
  }
  bool sameText(const std::string& a, const std::string& b) override {
    return upper(a) == upper(b);
  }
  void showMessage(uintptr_t owner, const std::string& text) override {
    messages.emplace_back(owner, text);
  }
};

const std::string kFolder = "C:\\Temp\\zel1\\";
const std::string kManifest = "C:\\Temp\\zel1\\manifest-B1.txt";

class BundleFilesTest : public ::testing::Test {
 protected:
  BundleFilesTest() {
    machine.folders = {"C:", "C:\\TEMP", "C:\\TEMP\\ZEL1", "C:\\APP"};
    machine.files[upper(kManifest)] = "*.txt\r\na.txt=a.txt\r\nsub\\b.txt=docs\\b.txt\r\n";
    machine.files[upper(kFolder + "a.txt")] = "A";
    machine.files[upper(kFolder + "sub\\b.txt")] = "B";
  }

  // Runs both calls with these variables and parameters; the variables that come back, or
  // nothing when the call failed as a whole.
  std::optional<VariableList> call(const VariableList& variables, const VariableList& parameters) {
    BundleFiles plugin(machine, kFolder);
    status = 77;
    const std::string sent = kx::writeCommaText(variables);
    const std::string params = kx::writeCommaText(parameters);
    const int32_t length = plugin.execute(0x1234, sent.c_str(), params.c_str(), &status, nullptr);
    if (length == -1) return std::nullopt;
    std::string buffer(static_cast<size_t>(length) + 1, '\x7f');
    EXPECT_EQ(plugin.execute(0x1234, sent.c_str(), params.c_str(), &status, buffer.data()), 0);
    EXPECT_EQ(buffer.back(), '\0');
    buffer.pop_back();
    return kx::readCommaText(buffer);
  }

  static VariableList parameters(const std::string& target = "$TARGETDIR$\\Bundle",
                                 const std::string& returnVar = "RESULT",
                                 const std::string& subFolders = "True") {
    return {"SourceFiles=*.txt", "SourceID=B1", "DoSubFolders=" + subFolders,
            "TargetPath=" + target, "ReturnVar=" + returnVar};
  }
  VariableList variables = {"TARGETDIR", "C:\\App", "RESULT", "", "SILENT", "FALSE"};

  std::vector<std::string> shownTexts() const {
    std::vector<std::string> texts;
    for (const auto& [owner, text] : machine.messages) texts.push_back(text);
    return texts;
  }

  FakeMachine machine;
  int32_t status = 0;
};

TEST_F(BundleFilesTest, CopiesTheBundleIntoTheExpandedTargetCreatingSubFolders) {
  const auto result = call(variables, parameters());
  ASSERT_TRUE(result);
  EXPECT_EQ(variableValue(*result, "RESULT"), "SUCCESS");
  EXPECT_EQ(machine.copied,
            (std::vector<std::string>{"C:\\App\\Bundle\\a.txt", "C:\\App\\Bundle\\docs\\b.txt"}));
  EXPECT_EQ(machine.files.at("C:\\APP\\BUNDLE\\DOCS\\B.TXT"), "B");
  EXPECT_TRUE(machine.messages.empty());
  EXPECT_EQ(status, 0);
  // Everything else comes back as it was sent.
  VariableList expected = variables;
  setVariable(expected, "RESULT", "SUCCESS");
  EXPECT_EQ(*result, expected);
}

TEST_F(BundleFilesTest, ExistingTargetIsOverwrittenAndATrailingBackslashIsKept) {
  machine.folders.insert("C:\\APP\\BUNDLE");
  machine.files["C:\\APP\\BUNDLE\\A.TXT"] = "old";
  ASSERT_TRUE(call(variables, parameters("C:\\App\\Bundle\\")));
  EXPECT_EQ(machine.files.at("C:\\APP\\BUNDLE\\A.TXT"), "A");
  EXPECT_EQ(machine.copied.front(), "C:\\App\\Bundle\\a.txt");
}

TEST_F(BundleFilesTest, ManifestWithItsFirstLineOnlyInAnotherCaseCopiesNothing) {
  machine.files[upper(kManifest)] = "*.TXT";
  const auto result = call(variables, parameters());
  ASSERT_TRUE(result);
  EXPECT_EQ(variableValue(*result, "RESULT"), "SUCCESS");
  EXPECT_TRUE(machine.copied.empty());
}

TEST_F(BundleFilesTest, EmptyReturnVarWritesNoOutcomeButStillShowsFailures) {
  auto result = call(variables, parameters("C:\\App", ""));
  ASSERT_TRUE(result);
  EXPECT_EQ(*result, variables);
  machine.files.erase(upper(kManifest));
  result = call(variables, parameters("C:\\App", ""));
  ASSERT_TRUE(result);
  EXPECT_EQ(*result, variables);
  EXPECT_EQ(shownTexts(),
            (std::vector<std::string>{"Bundle Files: manifest file does not exist: " + kManifest}));
}

struct FailureCase {
  const char* name;
  std::function<void(FakeMachine&)> arrange;
  std::string message;
};

class BundleFailureTest : public BundleFilesTest,
                          public ::testing::WithParamInterface<FailureCase> {};

TEST_P(BundleFailureTest, ShowsTheMessageAndReturnsError) {
  GetParam().arrange(machine);
  const auto result = call(variables, parameters());
  ASSERT_TRUE(result);
  EXPECT_EQ(variableValue(*result, "RESULT"), "ERROR");
  ASSERT_EQ(machine.messages.size(), 1u);
  EXPECT_EQ(machine.messages[0].second, GetParam().message);
  EXPECT_EQ(machine.messages[0].first, 0x1234u);
  EXPECT_EQ(status, 0);
}

TEST_P(BundleFailureTest, SilentRunShowsNothingAndReturnsError) {
  GetParam().arrange(machine);
  setVariable(variables, "SILENT", "TRUE");
  const auto result = call(variables, parameters());
  ASSERT_TRUE(result);
  EXPECT_EQ(variableValue(*result, "RESULT"), "ERROR");
  EXPECT_TRUE(machine.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BundleFailureTest,
    ::testing::Values(
        FailureCase{"PluginFolderMissing",
                    [](FakeMachine& m) { m.folders.erase("C:\\TEMP\\ZEL1"); },
                    "Plugin Directory doesn't exist:\r\n\r\nC:\\Temp\\zel1\\"},
        FailureCase{"ManifestMissing", [](FakeMachine& m) { m.files.erase(upper(kManifest)); },
                    "Bundle Files: manifest file does not exist: " + kManifest},
        FailureCase{"ManifestEmpty", [](FakeMachine& m) { m.files[upper(kManifest)] = ""; },
                    "Bundle Files: Manifest file is empty."},
        FailureCase{"ManifestOfAnotherBundle",
                    [](FakeMachine& m) { m.files[upper(kManifest)] = "*.doc\r\na.txt=a.txt"; },
                    "Bundle Files: internal error with manifest file"},
        FailureCase{"ManifestUnreadable",
                    [](FakeMachine& m) { m.unreadable.insert(upper(kManifest)); },
                    "Cannot open file \"" + kManifest + "\". Access is denied"},
        FailureCase{"SourceMissing",
                    [](FakeMachine& m) { m.files.erase(upper(kFolder + "sub\\b.txt")); },
                    "System Error.  Code: 2.\r\nThe system cannot find the file specified"},
        FailureCase{"TargetNotWritable",
                    [](FakeMachine& m) { m.copyErrors["C:\\APP\\BUNDLE\\A.TXT"] = 5; },
                    "System Error.  Code: 5.\r\nError 5"},
        FailureCase{"LineLeavingTheTarget",
                    [](FakeMachine& m) { m.files[upper(kManifest)] = "*.txt\r\na.txt=..\\a.txt"; },
                    "Bundle Files: manifest line refused, it must copy inside the plug-in and "
                    "target folders: a.txt=..\\a.txt"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BundleFilesTest, FilesCopiedBeforeAFailedCopyStay) {
  machine.files.erase(upper(kFolder + "sub\\b.txt"));
  call(variables, parameters());
  EXPECT_EQ(machine.copied, (std::vector<std::string>{"C:\\App\\Bundle\\a.txt"}));
}

TEST_F(BundleFilesTest, RefusedLineStopsTheBundleBeforeAnyCopy) {
  const char* refused[] = {"a.txt=..\\a.txt", "a.txt=docs\\..\\..\\a.txt",
                           "..\\x.txt=a.txt", "a.txt=C:\\a.txt",
                           "a.txt=\\a.txt",   "\\\\srv\\s\\a=a",
                           "a.txt=a.txt:alt", "a.txt=... \\a.txt",
                           "a.txt",           "=a.txt",
                           "a.txt=",          "a.txt=/etc/a"};
  for (const char* line : refused) {
    machine.messages.clear();
    machine.files[upper(kManifest)] = std::string("*.txt\r\nsub\\b.txt=b.txt\r\n") + line;
    const auto result = call(variables, parameters());
    ASSERT_TRUE(result) << line;
    EXPECT_EQ(variableValue(*result, "RESULT"), "ERROR") << line;
    EXPECT_TRUE(machine.copied.empty()) << line;
    EXPECT_EQ(machine.messages.size(), 1u) << line;
  }
}

TEST_F(BundleFilesTest, EmptyTargetPathIsRefusedWhenThereIsSomethingToCopy) {
  const auto result = call(variables, parameters(""));
  ASSERT_TRUE(result);
  EXPECT_EQ(variableValue(*result, "RESULT"), "ERROR");
  EXPECT_EQ(shownTexts(), (std::vector<std::string>{"Bundle Files: TargetPath is empty."}));
  EXPECT_TRUE(machine.copied.empty());
}

TEST_F(BundleFilesTest, BadDoSubFoldersShowsTheValueAndLeavesEveryVariable) {
  for (const std::string value : {"", "yes", "1x", "-"}) {
    machine.messages.clear();
    const auto result = call(variables, parameters("C:\\App", "RESULT", value));
    ASSERT_TRUE(result);
    EXPECT_EQ(*result, variables) << value;
    EXPECT_EQ(shownTexts(),
              (std::vector<std::string>{"'" + value + "' is not a valid boolean value"}));
    EXPECT_TRUE(machine.copied.empty());
  }
}

TEST_F(BundleFilesTest, UndefinedReturnVarFailsTheWholeCall) {
  EXPECT_FALSE(call(variables, parameters("C:\\App", "NOSUCH")));
  EXPECT_EQ(shownTexts(),
            (std::vector<std::string>{"Attempting to set value of undefined variable NOSUCH"}));
  // An earlier failure shows its own message, then fails the same way.
  machine.messages.clear();
  machine.files.erase(upper(kManifest));
  EXPECT_FALSE(call(variables, parameters("C:\\App", "NOSUCH")));
  EXPECT_EQ(shownTexts(),
            (std::vector<std::string>{"Bundle Files: manifest file does not exist: " + kManifest}));
}

TEST(BundleValues, BooleanTexts) {
  const std::pair<const char*, bool> good[] = {
      {"True", true}, {"FALSE", false}, {"tRuE", true}, {"0", false},  {"1", true},
      {"-1", true},   {"+0", false},    {"0.0", false}, {"2.5", true}, {" 7 ", true},
      {"1e3", true},  {"0e5", false},   {".5", true}};
  for (const auto& [text, value] : good) EXPECT_EQ(parseBoolean(text), value) << text;
  for (const char* text : {"", "T", "yes", "1x", "--1", ".", "1e", "True "})
    EXPECT_THROW(parseBoolean(text), BundleError) << text;
}

TEST(BundleValues, ExpansionRepeatsPassesAndIgnoresCase) {
  const VariableList variables = {"TARGETDIR", "$ROOT$\\App", "ROOT", "C:", "LOOP", "x$LOOP$"};
  EXPECT_EQ(expandVariables("$targetdir$\\Bundle", variables), "C:\\App\\Bundle");
  EXPECT_EQ(expandVariables("$ROOT$$ROOT$", variables), "C:C:");
  EXPECT_EQ(expandVariables("$UNKNOWN$\\a", variables), "$UNKNOWN$\\a");
  EXPECT_EQ(expandVariables("no refs", variables), "no refs");
  // A value that refers to itself stops.
  EXPECT_EQ(expandVariables("$LOOP$", variables), std::string(kMaxExpansionPasses, 'x') + "$LOOP$");
}

TEST(BundleValues, SetVariableSearchesNamePositionsOnly) {
  VariableList variables = {"A", "B", "B", "1"};
  setVariable(variables, "b", "2");
  EXPECT_EQ(variables, (VariableList{"A", "B", "B", "2"}));
  EXPECT_THROW(setVariable(variables, "1", "x"), BundleError);
}

TEST(BundleValues, ManifestLines) {
  EXPECT_EQ(splitLines(""), VariableList{});
  EXPECT_EQ(splitLines("a"), VariableList{"a"});
  EXPECT_EQ(splitLines("a\r\n"), VariableList{"a"});
  EXPECT_EQ(splitLines("a\rb\nc\r\nd"), (VariableList{"a", "b", "c", "d"}));
  EXPECT_EQ(splitLines("a\n\nb\n"), (VariableList{"a", "", "b"}));
  EXPECT_EQ(splitLines("\r\n"), VariableList{""});
}

TEST(BundleValues, FolderOfAPath) {
  EXPECT_EQ(folderOf("C:\\a\\b.dll"), "C:\\a\\");
  EXPECT_EQ(folderOf("b.dll"), "");
}

}  // namespace
}  // namespace rx
