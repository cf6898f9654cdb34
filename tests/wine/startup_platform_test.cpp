// The start-up's file and system services on a real Windows API (Wine).
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/win32_files.h"
#include "platform/win32/win32_startup.h"
#include "platform/win32/win32_system_info.h"
#include "startup/support_folder.h"

namespace kx {
namespace {

class Win32Files : public ::testing::Test {
 protected:
  Win32Files() {
    root =
        Win32SystemInfo().temporaryFolder() + "kx-startup-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(root.c_str(), nullptr);
  }
  ~Win32Files() override { files.removeTree(root); }
  void writeReadOnly(const std::string& path, const std::string& bytes) {
    ASSERT_TRUE(files.writeFile(path, bytes));
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  }
  static bool readOnly(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
  }

  Win32FileSystem files;
  std::string root;
};

TEST_F(Win32Files, FoldersAreCreatedExclusively) {
  const std::string folder = root + "\\zel1";
  EXPECT_EQ(files.createFolderExclusive(folder), FolderCreation::Created);
  EXPECT_EQ(files.createFolderExclusive(folder), FolderCreation::AlreadyExists);
  ASSERT_TRUE(files.writeFile(root + "\\zel2", "a file"));
  EXPECT_EQ(files.createFolderExclusive(root + "\\zel2"), FolderCreation::AlreadyExists);
  EXPECT_EQ(files.createFolderExclusive(root + "\\missing\\zel1"), FolderCreation::Failed);
  EXPECT_EQ(createSupportFolder(files, root), root + "\\zel3\\");
}

TEST_F(Win32Files, RemovalTakesReadOnlyFilesAndSubfolders) {
  const std::string folder = root + "\\zel1";
  ASSERT_EQ(files.createFolderExclusive(folder), FolderCreation::Created);
  ASSERT_EQ(files.createFolderExclusive(folder + "\\sub"), FolderCreation::Created);
  writeReadOnly(folder + "\\setup.msi", "database");
  writeReadOnly(folder + "\\sub\\dialog.dfm", "dialog");
  ASSERT_TRUE(files.writeFile(root + "\\zel10", "neighbour"));
  removeSupportFolder(files, folder + "\\");
  EXPECT_FALSE(files.folderExists(folder));
  EXPECT_TRUE(files.fileExists(root + "\\zel10"));
}

TEST_F(Win32Files, AReadOnlyDatabaseIsCopiedWritable) {
  const std::string program = root + "\\program\\";
  const std::string support = root + "\\zel1\\";
  CreateDirectoryA(program.c_str(), nullptr);
  CreateDirectoryA(support.c_str(), nullptr);
  ASSERT_TRUE(files.writeFile(program + "setup.res", ""));
  writeReadOnly(program + "setup.msi", "database");
  writeReadOnly(support + "setup.msi", "an older copy");
  ASSERT_EQ(fillSupportFolder(files, nullptr, program, "setup", support),
            SupportFilesResult::Ready);
  EXPECT_EQ(files.readFile(support + "setup.msi"), "database");
  EXPECT_FALSE(readOnly(support + "setup.msi"));
  EXPECT_TRUE(readOnly(program + "setup.msi"));
  EXPECT_FALSE(files.fileExists(support + "setup.msp"));
  SetFileAttributesA((program + "setup.msi").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Win32StartupServices, CommonControlsVersionComesFromTheSystemFolder) {
  Win32Startup startup;
  const auto version = startup.commonControlsVersion();
  ASSERT_TRUE(version);
  EXPECT_GE(version->major, 5);
}

}  // namespace
}  // namespace kx
