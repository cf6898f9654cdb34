// "Extract 7Zip Archive" and the codec set-up, with the linked-in archive library and archives
// made by the real 7-Zip.
#include <gtest/gtest.h>

#include <regex>

#include "media/archive_extraction.h"
#include "tests/native/archive_support.h"
#include "tests/native/engine_fixture.h"

namespace kx::test {
namespace {

class ExtractCommand : public EngineTest {
 protected:
  ExtractCommand() {
    writeTree(scratch / "source", sampleTree());
    pack7z(scratch / "source", scratch / "locked.7z", "-psecret -mhe=on");
    pack7z(scratch / "source", scratch / "data-locked.7z", "-psecret -ms=off");
  }
  Statement extractStatement(const std::string& archive, const std::string& destination,
                             const std::string& password, const std::string& result = "RESULT") {
    return {"Extract 7Zip Archive",
            {(scratch / archive).string(), (scratch / destination).string(), result, password,
             "TRUE", "TRUE"}};
  }
  ScratchFolder scratch;
};

TEST_F(ExtractCommand, ExtractsIntoANewFolderAndWritesSuccess) {
  engine.options.overrides = {{"PROGRESSTEXT", "Unpacking"}, {"PASSWORD", "secret"}};
  run({extractStatement("locked.7z", "new/deeper/out", "$PASSWORD$")});
  EXPECT_EQ(var("RESULT"), "SUCCESS");
  EXPECT_EQ(treeDifferences(readTree(scratch / "new/deeper/out"), sampleTree()),
            std::vector<std::string>{});
  EXPECT_EQ(fake.createdFolders, std::vector<std::string>{(scratch / "new/deeper/out").string()});
  EXPECT_EQ(engine.progress.maximum, 100);
  // The last text published: the status may still be empty when the worker was quick.
  EXPECT_TRUE(std::regex_match(engine.progress.text,
                               std::regex("Unpacking\r(|[^\\\\/]+, ([1-9][0-9]?|100)% complete)")))
      << engine.progress.text;
  EXPECT_FALSE(engine.longOperation);
}

TEST_F(ExtractCommand, FailuresWriteTheListingTextOrTheLibraryCode) {
  const struct {
    const char* archive;
    const char* password;
    const char* result;
  } cases[] = {
      {"missing.7z", "", "The archive file was not found"},
      {"locked.7z", "", "The archive cannot be opened: unsupported archive or incorrect password"},
      {"locked.7z", "wrong",
       "The archive cannot be opened: unsupported archive or incorrect password"},
      {"data-locked.7z", "wrong", "#1005"},  // listed fine, the data does not decode
      {"data-locked.7z", "", "#1006"},
  };
  for (const auto& c : cases) {
    run({extractStatement(c.archive, "out", c.password)});
    EXPECT_EQ(var("RESULT"), c.result) << c.archive << " " << c.password;
  }
}

TEST_F(ExtractCommand, WithoutAResultVariableNothingIsWritten) {
  run({extractStatement("missing.7z", "out", "", "")});
  EXPECT_FALSE(engine.store.isDefined("RESULT"));
}

TEST(CodecSetUp, WritesTheSevenFilesAndThenTheRegistryValue) {
  FakePlatform fake;
  setUpCodecs(fake.platform());
  const std::string folder = "C:\\Users\\user\\Application Data\\Seven Zip\\";
  for (const char* file :
       {"Codecs\\Aes.dll", "Codecs\\7zAes.dll", "Codecs\\Branch.dll", "Codecs\\Copy.dll",
        "Codecs\\LZMA.dll", "Codecs\\Swap.dll", "Formats\\7z.dll"})
    EXPECT_TRUE(fake.fileExists(folder + file)) << file;
  EXPECT_EQ(fake.createdFolders, (std::vector<std::string>{folder + "Codecs", folder + "Formats"}));
  EXPECT_EQ(
      fake.readString(RegistryRoot::CurrentUser, "SOFTWARE\\Orlanvik\\Kestrix\\Seven Zip", "Path"),
      folder);
}

}  // namespace
}  // namespace kx::test
