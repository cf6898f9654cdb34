#include "startup/main_procedure.h"

#include <gtest/gtest.h>

#include <map>

#include "dialogs/forms/component_stream.h"

#include "tests/native/fake_platform.h"
#include "tests/native/pe_fixture.h"
#include "tests/native/script_builder.h"

namespace kx {
namespace {

using test::Statement;

// A setup beside its files in C:\Setup (the fake's engine path is C:\Setup\setup.exe).
class MainProcedure : public ::testing::Test {
 protected:
  MainProcedure() {
    program = test::realProgram();
    setFile("C:\\Setup\\setup.res", "payload");
    setFile("C:\\Setup\\setup.msi", "database");
    fake.folders.insert("C:\\TEMP");
  }
  void setFile(const std::string& path, const std::string& bytes) {
    fake.files[upperAscii(path)] = bytes;
  }
  void setScript(const std::vector<Statement>& statements) {
    setFile("C:\\Setup\\setup.exe", program + writeScript(test::buildScript(statements)));
  }
  void arguments(std::string line, std::vector<std::string> split) {
    startup.line = std::move(line);
    startup.split = std::move(split);
  }
  int run() { return runMainProcedure(fake.platform(), startup, extractor); }
  std::vector<std::string> boxTexts() const {
    std::vector<std::string> texts;
    for (const auto& box : fake.boxes) texts.push_back(box.text);
    return texts;
  }

  std::string program;
  test::FakePlatform fake;
  test::FakeStartup startup;
  std::vector<std::string> extracted;
  // What the payload archive holds: two dialogs with their rule files.
  std::map<std::string, std::string> payload = {{"welcome.dfm", definitionNamed("Welcome")},
                                                {"welcome.dfm.zelf", ""},
                                                {"finish.dfm", definitionNamed("Finish")},
                                                {"finish.dfm.zelf", ""}};
  PayloadExtractor extractor = [this](const std::string& archive, const std::string& folder) {
    extracted.push_back(archive + " -> " + folder);
    for (const auto& [name, bytes] : payload)
      if (!fake.writeFile(folder + name, bytes)) return false;
    return true;
  };

 private:
  static std::string definitionNamed(const std::string& name) {
    dfm::ObjectRecord root;
    root.className = "TPoolTemplate";
    root.name = name;
    return dfm::writeDefinition(root);
  }
};

const std::vector<Statement> kExitWith3010 = {{"Terminate with Exit Code", {"3010"}}};

TEST_F(MainProcedure, SilentRunEndsWithTheScriptsExitCodeAndRemovesTheSupportFolder) {
  setScript(kExitWith3010);
  arguments("setup.exe /S", {"/S"});
  EXPECT_EQ(run(), 3010);
  EXPECT_TRUE(startup.boundToFirstProcessor);
  EXPECT_EQ(extracted, std::vector<std::string>{"C:\\Setup\\setup.res -> C:\\Temp\\zel1\\"});
  EXPECT_FALSE(fake.folderExists("C:\\Temp\\zel1"));
  EXPECT_TRUE(fake.boxes.empty());
  EXPECT_TRUE(startup.events.empty());
  EXPECT_TRUE(fake.fileExists("C:\\Setup\\setup.msi"));
}

TEST_F(MainProcedure, TheRunSeesItsFoldersAndCommandLine) {
  fake.folders.insert("C:\\TEMP\\ZEL1");
  fake.files["C:\\TEMP\\ZEL2\\LEFTOVER"] = "";
  const std::pair<const char*, const char*> expected[] = {
      {"SUPPORTDIR", "C:\\Temp\\zel3\\"},
      {"MSIFILE", "C:\\Temp\\zel3\\setup.msi"},
      {"DATADIR", "C:\\Setup\\data\\"},
      {"TARGETDIR", "C:\\Program Files\\App"},
      {"CMDLINE", "\"TARGETDIR=C:\\Program Files\\App\" /s"},
      {"SILENT", "TRUE"}};
  // The first variable that differs ends the run with 100 + its index; all equal ends with 1.
  std::vector<Statement> statements;
  for (size_t i = 0; i < std::size(expected); ++i) {
    statements.push_back({"If", {expected[i].first, "0", expected[i].second, "TRUE"}});
    statements.push_back({"Terminate with Exit Code", {std::to_string(100 + i)}});
    statements.push_back({"End"});
  }
  statements.push_back({"Terminate with Exit Code", {"1"}});
  setScript(statements);
  arguments("\"C:\\Setup\\setup.exe\" \"TARGETDIR=C:\\Program Files\\App\" /s",
            {"TARGETDIR=C:\\Program Files\\App", "/s"});
  EXPECT_EQ(run(), 1);
  EXPECT_TRUE(fake.folderExists("C:\\Temp\\zel1"));
  EXPECT_TRUE(fake.fileExists("C:\\Temp\\zel2\\LEFTOVER"));
  EXPECT_FALSE(fake.folderExists("C:\\Temp\\zel3"));
}

TEST_F(MainProcedure, StartWindowsShowTheMessageTableAndTheDialogCount) {
  const auto dialog = [](const char* name, bool disabled) {
    return Statement{"Display Dialog", {name, "WIZARD", "TRUE", "", "TRUE", "FALSE"}, disabled};
  };
  setScript({dialog("welcome", false),
             dialog("folder", true),
             dialog("finish", false),
             {"Terminate with Exit Code", {"7"}}});
  setFile("C:\\Setup\\setup.bmp", "BM");
  EXPECT_EQ(run(), 7);
  EXPECT_EQ(startup.events,
            (std::vector<std::string>{
                "show C:\\Setup\\setup.bmp | Kestrix Wizard | Kestrix\x99 is preparing the "
                "Kestrix\x99 Installation Wizard which will install this application. Please wait.",
                "progress 0 2 1", "progress 0 2 2", "progress 0 2 3", "close"}));
}

TEST_F(MainProcedure, AMissingDialogDefinitionIsAGeneralFailureBeforeTheFirstStatement) {
  payload.erase("finish.dfm");
  setScript({{"Display Dialog", {"welcome", "WIZARD", "TRUE", "", "TRUE", "FALSE"}},
             {"Display Dialog", {"finish", "WIZARD", "TRUE", "", "TRUE", "FALSE"}},
             {"Terminate with Exit Code", {"7"}}});
  EXPECT_EQ(run(), 11);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text,
            "Runtime error in install: Cannot open file \"C:\\Temp\\zel1\\finish.dfm\"");
  EXPECT_FALSE(fake.folderExists("C:\\Temp\\zel1"));
}

TEST_F(MainProcedure, WithoutSplashPictureOnlyThePreparingWindowShows) {
  setScript(kExitWith3010);
  EXPECT_EQ(run(), 3010);
  ASSERT_FALSE(startup.events.empty());
  EXPECT_TRUE(startup.events[0].starts_with("show  | Kestrix Wizard | ")) << startup.events[0];
}

TEST_F(MainProcedure, AProgramWithoutScriptIsForInternalUseOnly) {
  setFile("C:\\Setup\\setup.exe", program);
  EXPECT_EQ(run(), 0);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text, "For internal use only");
  EXPECT_EQ(fake.boxes[0].caption, "Kestrix");
  EXPECT_EQ(fake.boxes[0].icon, MessageIcon::Error);
  EXPECT_EQ(fake.boxes[0].owner, 77u);
  EXPECT_FALSE(fake.folderExists("C:\\Temp\\zel1"));
}

struct MissingFileCase {
  const char* name;
  std::vector<const char*> removed;
  bool extractionFails;
  const char* message;
};

class MissingSupportFile : public MainProcedure,
                           public ::testing::WithParamInterface<MissingFileCase> {};

TEST_P(MissingSupportFile, EndsWithItsMessageAndLeavesTheFolder) {
  const MissingFileCase& c = GetParam();
  setScript(kExitWith3010);
  for (const char* name : c.removed)
    fake.files.erase(upperAscii(std::string("C:\\Setup\\") + name));
  if (c.extractionFails) extractor = [](const std::string&, const std::string&) { return false; };
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{c.message});
  EXPECT_EQ(fake.boxes[0].owner, 77u);
  EXPECT_TRUE(fake.folderExists("C:\\Temp\\zel1"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MissingSupportFile,
    ::testing::Values(
        MissingFileCase{"Archive", {"setup.res"}, false, "Setup resource not found"},
        MissingFileCase{"Extraction", {}, true, "Setup resource decompression failure"},
        MissingFileCase{"Database", {"setup.msi"}, false, "Setup database not found"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainProcedure, SilentEarlyEndsShowNothing) {
  setFile("C:\\Setup\\setup.exe", program);
  arguments("setup.exe -s", {"-s"});
  EXPECT_EQ(run(), 0);
  EXPECT_TRUE(fake.boxes.empty());
}

TEST_F(MainProcedure, ATruncatedScriptIsTheGeneralFailure) {
  setFile("C:\\Setup\\setup.exe", program + "Comment\r\n$\r\n");
  EXPECT_EQ(run(), 11);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_TRUE(fake.boxes[0].text.starts_with("Runtime error in install: ")) << fake.boxes[0].text;
  EXPECT_EQ(fake.boxes[0].owner, 0u);
}

TEST_F(MainProcedure, ASupportFolderThatCannotBeCreatedIsTheGeneralFailure) {
  setScript(kExitWith3010);
  fake.foldersThatFail.insert("C:\\TEMP\\ZEL1");
  arguments("setup.exe /s", {"/s"});
  EXPECT_EQ(run(), 11);
  EXPECT_TRUE(fake.boxes.empty());
}

TEST_F(MainProcedure, AScriptErrorEndsWithElevenAndStillCleansUp) {
  arguments("setup.exe /s", {"/s"});
  // Passes validation, fails when it runs.
  setScript({{"Parse String", {"a.b", ".", "F", "S", "zero", "", ""}}});
  EXPECT_EQ(run(), 11);
  EXPECT_TRUE(fake.boxes.empty());
  EXPECT_FALSE(fake.folderExists("C:\\Temp\\zel1"));
}

TEST_F(MainProcedure, OverridesFromTheCommandLineReachTheScript) {
  setScript({{"Terminate with Exit Code", {"$CODE$"}}});
  arguments("setup.exe CODE=42 /s", {"CODE=42", "/s"});
  EXPECT_EQ(run(), 42);
}

struct CommonControlsCase {
  FileVersion version;
  bool proceeds;
};

class CommonControls : public MainProcedure,
                       public ::testing::WithParamInterface<CommonControlsCase> {};

TEST_P(CommonControls, Version471EndsBeforeAnyWindow) {
  setScript(kExitWith3010);
  startup.comctl = GetParam().version;
  if (GetParam().proceeds) {
    EXPECT_EQ(run(), 3010);
    EXPECT_TRUE(fake.boxes.empty());
    return;
  }
  EXPECT_EQ(run(), 0);
  EXPECT_TRUE(startup.events.empty());
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text,
            "Please install the common controls update from Microsoft before attempting to "
            "install this product.");
  EXPECT_EQ(fake.boxes[0].owner, 0u);
}

INSTANTIATE_TEST_SUITE_P(Versions, CommonControls,
                         ::testing::Values(CommonControlsCase{{4, 71, 0, 0}, false},
                                           CommonControlsCase{{4, 0, 950, 0}, false},
                                           CommonControlsCase{{4, 72, 0, 0}, true},
                                           CommonControlsCase{{5, 10, 0, 0}, true},
                                           CommonControlsCase{{3, 50, 0, 0}, true}));

TEST_F(MainProcedure, TheArchiveLibrarysTrailingDataReplacesTheMessages) {
  std::string messages;
  for (int line = 1; line <= 90; ++line) messages += "text " + std::to_string(line) + "\r\n";
  setFile("C:\\Setup\\zel.dll", program + messages);
  fake.files.erase("C:\\SETUP\\SETUP.RES");
  setScript(kExitWith3010);
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{"text 2"});
  EXPECT_EQ(startup.events.at(0), "show  | text 23 | text 24");
}

TEST_F(MainProcedure, AnArchiveLibraryWithoutTrailingDataKeepsTheDefaults) {
  for (const std::string& library : {program, std::string("not a program")}) {
    setFile("C:\\Setup\\zel.dll", library);
    fake.files.erase("C:\\SETUP\\SETUP.RES");
    setScript(kExitWith3010);
    fake.boxes.clear();
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"Setup resource not found"});
  }
}

}  // namespace
}  // namespace kx
