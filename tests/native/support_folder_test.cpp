#include "startup/support_folder.h"

#include <gtest/gtest.h>

#include "tests/native/fake_platform.h"

namespace kx {
namespace {

using test::FakePlatform;

constexpr char kTemp[] = "C:\\Temp\\";
constexpr char kProgramFolder[] = "C:\\Setup\\";

TEST(SupportFolder, TakesTheFirstFreeNumberAndLeavesLeftoversAlone) {
  FakePlatform fake;
  fake.folders.insert("C:\\TEMP\\ZEL1");
  fake.files["C:\\TEMP\\ZEL2\\LEFTOVER.TXT"] = "old";
  fake.files["C:\\TEMP\\ZEL3"] = "a file, not a folder";
  EXPECT_EQ(createSupportFolder(fake, kTemp), "C:\\Temp\\zel4\\");
  EXPECT_TRUE(fake.folderExists("C:\\Temp\\zel4"));
  EXPECT_TRUE(fake.folderExists("C:\\Temp\\zel1"));
  EXPECT_EQ(fake.files["C:\\TEMP\\ZEL2\\LEFTOVER.TXT"], "old");
}

// Another engine creates a folder between the look and the creation.
class RacingFileSystem : public FakePlatform {
 public:
  bool folderExists(const std::string&) override { return false; }
};

TEST(SupportFolder, TwoEnginesNeverShareAFolder) {
  RacingFileSystem fake;
  EXPECT_EQ(createSupportFolder(fake, kTemp), "C:\\Temp\\zel1\\");
  EXPECT_EQ(createSupportFolder(fake, kTemp), "C:\\Temp\\zel2\\");
}

// Creates a folder only where its parent exists, as the system does.
class ParentCheckingFileSystem : public FakePlatform {
 public:
  FolderCreation createFolderExclusive(const std::string& path) override {
    if (!folderExists(std::string(folderPart(path)))) return FolderCreation::Failed;
    return FakePlatform::createFolderExclusive(path);
  }
};

TEST(SupportFolder, MissingParentsOfTheTemporaryFolderAreCreatedFirst) {
  ParentCheckingFileSystem fake;
  fake.folders.insert("C:");
  EXPECT_EQ(createSupportFolder(fake, "C:\\Missing\\Deeper\\Temp\\"),
            "C:\\Missing\\Deeper\\Temp\\zel1\\");
  EXPECT_TRUE(fake.folderExists("C:\\Missing\\Deeper\\Temp\\zel1"));
  // The last level is still taken only when it is new.
  EXPECT_EQ(createSupportFolder(fake, "C:\\Missing\\Deeper\\Temp"),
            "C:\\Missing\\Deeper\\Temp\\zel2\\");
}

TEST(SupportFolder, AFolderThatCannotBeCreatedIsAFailure) {
  FakePlatform fake;
  fake.foldersThatFail.insert("C:\\TEMP\\ZEL1");
  EXPECT_THROW(createSupportFolder(fake, kTemp), std::runtime_error);
}

struct FillCase {
  const char* name;
  std::vector<std::string> filesBeside;  // names in the program folder
  bool extractionSucceeds;
  SupportFilesResult expected;
  std::vector<std::string> copied;  // names in the support folder afterwards
};

class FillSupportFolder : public ::testing::TestWithParam<FillCase> {};

TEST_P(FillSupportFolder, ChecksInOrderAndCopiesThePackages) {
  const FillCase& c = GetParam();
  FakePlatform fake;
  for (const auto& name : c.filesBeside) fake.files[upperAscii(kProgramFolder + name)] = name;
  fake.folders.insert("C:\\TEMP\\ZEL1");
  std::vector<std::string> extracted;
  const PayloadExtractor extract = [&](const std::string& archive, const std::string& folder) {
    extracted.push_back(archive + " -> " + folder);
    return c.extractionSucceeds;
  };
  EXPECT_EQ(fillSupportFolder(fake, extract, kProgramFolder, "setup", "C:\\Temp\\zel1\\"),
            c.expected);
  const bool hasArchive = c.expected != SupportFilesResult::ResourceNotFound;
  EXPECT_EQ(extracted, hasArchive
                           ? std::vector<std::string>{"C:\\Setup\\setup.res -> C:\\Temp\\zel1\\"}
                           : std::vector<std::string>{});
  for (const char* name : {"setup.msi", "setup.msp"}) {
    const bool expectedCopy = std::find(c.copied.begin(), c.copied.end(), name) != c.copied.end();
    EXPECT_EQ(fake.fileExists(std::string("C:\\Temp\\zel1\\") + name), expectedCopy) << name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FillSupportFolder,
    ::testing::Values(
        FillCase{"NoArchive", {"setup.msi"}, true, SupportFilesResult::ResourceNotFound, {}},
        FillCase{"BrokenArchive",
                 {"setup.res", "setup.msi"},
                 false,
                 SupportFilesResult::DecompressionFailure,
                 {}},
        FillCase{"NoDatabase",
                 {"setup.res", "other.msi"},
                 true,
                 SupportFilesResult::DatabaseNotFound,
                 {}},
        FillCase{"OnlyPatch",
                 {"setup.res", "setup.msp"},
                 true,
                 SupportFilesResult::Ready,
                 {"setup.msp"}},
        FillCase{"Both",
                 {"setup.res", "setup.msi", "setup.msp"},
                 true,
                 SupportFilesResult::Ready,
                 {"setup.msi", "setup.msp"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SupportFolder, ReadOnlyDatabaseIsCopiedWritableOverAnUnpackedOne) {
  FakePlatform fake;
  fake.files["C:\\SETUP\\SETUP.RES"] = "";
  fake.files["C:\\SETUP\\SETUP.MSI"] = "database";
  fake.readOnlyFiles.insert("C:\\SETUP\\SETUP.MSI");
  const PayloadExtractor extract = [&](const std::string&, const std::string& folder) {
    return fake.writeFile(folder + "setup.msi", "from the payload");
  };
  ASSERT_EQ(fillSupportFolder(fake, extract, kProgramFolder, "setup", "C:\\Temp\\zel1\\"),
            SupportFilesResult::Ready);
  EXPECT_EQ(fake.files["C:\\TEMP\\ZEL1\\SETUP.MSI"], "database");
  EXPECT_FALSE(fake.readOnlyFiles.contains("C:\\TEMP\\ZEL1\\SETUP.MSI"));
  EXPECT_TRUE(fake.readOnlyFiles.contains("C:\\SETUP\\SETUP.MSI"));
}

TEST(SupportFolder, WithoutAnExtractorThePayloadIsOnlyRequired) {
  FakePlatform fake;
  fake.files["C:\\SETUP\\SETUP.MSI"] = "database";
  EXPECT_EQ(fillSupportFolder(fake, nullptr, kProgramFolder, "setup", "C:\\Temp\\zel1\\"),
            SupportFilesResult::ResourceNotFound);
  fake.files["C:\\SETUP\\SETUP.RES"] = "";
  EXPECT_EQ(fillSupportFolder(fake, nullptr, kProgramFolder, "setup", "C:\\Temp\\zel1\\"),
            SupportFilesResult::Ready);
}

TEST(SupportFolder, RemovalTakesTheFolderAndOnlyIt) {
  FakePlatform fake;
  fake.files["C:\\TEMP\\ZEL1\\SETUP.MSI"] = "";
  fake.files["C:\\TEMP\\ZEL1\\SUB\\DIALOG.DFM"] = "";
  fake.files["C:\\TEMP\\ZEL10\\KEEP"] = "";
  fake.folders.insert("C:\\TEMP\\ZEL1");
  removeSupportFolder(fake, "C:\\Temp\\zel1\\");
  EXPECT_FALSE(fake.folderExists("C:\\Temp\\zel1"));
  EXPECT_EQ(fake.files.size(), 1u);
  EXPECT_TRUE(fake.fileExists("C:\\Temp\\zel10\\KEEP"));
  removeSupportFolder(fake, "");  // nothing to remove
  EXPECT_EQ(fake.files.size(), 1u);
}

}  // namespace
}  // namespace kx
