// Installer packages edited through the system's msi.dll. installer_package.sh makes the
// packages, runs these tests and reads the results back with msitools.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

#include "platform/win32/win32_installer.h"
#include "tests/package_edits.h"

namespace kx::test {
namespace {

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class Win32Installer : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* folder = std::getenv("KX_INSTALLER_FIXTURES");
    if (!folder) GTEST_SKIP() << "needs the packages that installer_package.sh makes";
    fixtures = std::string(folder) + "\\";
    if (std::getenv("KX_INSTALLER_WITHOUT_MSI")) GTEST_SKIP() << "msi.dll is disabled";
    original = readBytes(fixtures + "fixture.msi");
    ASSERT_FALSE(original.empty());
  }

  Win32WindowsInstaller installer;
  std::string fixtures;
  std::string original;
};

// The script compares the tables left with those libmsi leaves.
TEST_F(Win32Installer, EditsTheFixturePackage) {
  auto package = installer.openForEditing(fixtures + "edited.msi");
  ASSERT_TRUE(package);
  editPackage(*package, true);
}

// The script reads what the file holds afterwards.
TEST_F(Win32Installer, EditsWithoutACommit) {
  auto package = installer.openForEditing(fixtures + "uncommitted.msi");
  ASSERT_TRUE(package);
  editPackage(*package, false);
}

// The script finds the ProgId table as it was.
TEST_F(Win32Installer, APrimaryKeyIsNotUpdated) {
  auto package = installer.openForEditing(fixtures + "renamed.msi");
  ASSERT_TRUE(package);
  for (const PackageEdit& update : primaryKeyUpdates())
    EXPECT_EQ(package->execute(update.sql, update.values), update.succeeds) << update.sql;
  EXPECT_FALSE(package->replaceColumnValues("ProgId", "ProgId", [] { return "Fixture.New"; }));
  EXPECT_TRUE(package->commit());
}

TEST_F(Win32Installer, FailuresLeaveThePackageAsItWas) {
  const std::string path = fixtures + "failures.msi";

  for (const FailingOperation& c : failingOperations()) {
    {
      auto package = installer.openForEditing(path);
      ASSERT_TRUE(package) << c.name;
      EXPECT_FALSE(c.operation(*package)) << c.name;
    }
    EXPECT_TRUE(readBytes(path) == original) << c.name;
  }
}

TEST_F(Win32Installer, FilesThatCannotBeEditedAreNotOpened) {
  const std::string text = fixtures + "text.msi";
  { std::ofstream(text, std::ios::binary) << "not an installer package\r\n"; }
  const std::string locked = fixtures + "locked.msi";
  ASSERT_TRUE(CopyFileA((fixtures + "fixture.msi").c_str(), locked.c_str(), FALSE));
  ASSERT_TRUE(SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY));
  const std::string folder = fixtures + "folder.msi";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  const std::string missing = fixtures + "missing.msi";
  for (const std::string& path : {text, locked, folder, missing}) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    const std::string bytes = readBytes(path);
    EXPECT_EQ(installer.openForEditing(path), nullptr) << path;
    EXPECT_EQ(GetFileAttributesA(path.c_str()), attributes) << path;
    EXPECT_TRUE(readBytes(path) == bytes) << path;
  }
  SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The script runs this one with msi.dll disabled.
TEST(Win32InstallerWithoutMsi, OpensNothing) {
  const char* folder = std::getenv("KX_INSTALLER_FIXTURES");
  if (!folder || !std::getenv("KX_INSTALLER_WITHOUT_MSI"))
    GTEST_SKIP() << "installer_package.sh runs it without msi.dll";
  Win32WindowsInstaller installer;
  const std::string path = std::string(folder) + "\\fixture.msi";
  ASSERT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(installer.openForEditing(path), nullptr);
}

}  // namespace
}  // namespace kx::test
