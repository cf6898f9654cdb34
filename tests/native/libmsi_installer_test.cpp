// Installer packages edited through libmsi, read back with msitools' own `msiinfo`.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <sstream>

#include "archive_support.h"
#include "platform/headless/headless_platform.h"
#include "platform/headless/libmsi_installer.h"
#include "tests/package_edits.h"

namespace kx::test {
namespace {

std::string commandOutput(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return output;
  char buffer[4096];
  while (const size_t read = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, read);
  pclose(pipe);
  return output;
}

std::string quoted(const fs::path& path) {
  return "'" + path.string() + "'";
}

std::string exportTable(const fs::path& package, const std::string& table) {
  return commandOutput("msiinfo export " + quoted(package) + " " + table + " 2>/dev/null");
}

std::vector<std::string> tableNames(const fs::path& package) {
  std::istringstream lines(commandOutput("msiinfo tables " + quoted(package) + " 2>/dev/null"));
  std::vector<std::string> names;
  for (std::string line; std::getline(lines, line);)
    if (!line.empty() && line[0] != '_') names.push_back(line);
  return names;
}

// Every table as `msiinfo export` prints it.
std::map<std::string, std::string> allTables(const fs::path& package) {
  std::map<std::string, std::string> tables;
  for (const std::string& name : tableNames(package)) tables[name] = exportTable(package, name);
  return tables;
}

std::string revisionNumber(const fs::path& package) {
  std::istringstream lines(commandOutput("msiinfo suminfo " + quoted(package) + " 2>/dev/null"));
  const std::string label = "Revision number (UUID): ";
  for (std::string line; std::getline(lines, line);)
    if (line.rfind(label, 0) == 0) return line.substr(label.size());
  return "";
}

class LibmsiInstallerTest : public ::testing::Test {
 protected:
  LibmsiInstallerTest() {
    fs::copy_file(KX_INSTALLER_FIXTURE, package);
    original = readBytes(package);
  }
  std::string windowsPath(const fs::path& host) const { return sandbox.windowsPath(host); }
  std::unique_ptr<InstallerPackage> open() {
    return installer.openForEditing(windowsPath(package));
  }
  // What the folder holds besides the package.
  std::vector<std::string> strayFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(scratch.path()))
      if (entry.path() != package) names.push_back(entry.path().filename());
    return names;
  }

  ScratchFolder scratch;
  const fs::path package = scratch / "setup.msi";
  std::string original;
  Sandbox sandbox{scratch.path() / "sandbox", CodePage()};
  LibmsiInstaller installer{sandbox};
};

TEST_F(LibmsiInstallerTest, EditsLandAsGivenAndNothingElseChanges) {
  ASSERT_FALSE(original.empty());
  const auto before = allTables(package);
  ASSERT_GT(before.size(), 10u);
  const std::string fixtureCode = revisionNumber(package);
  ASSERT_FALSE(fixtureCode.empty());
  {
    auto editing = open();
    ASSERT_TRUE(editing);
    editPackage(*editing, true);
  }
  const std::string edited = std::string(KX_SOURCE_DIR) + "/tests/data/installer/edited/";
  auto after = allTables(package);
  for (const char* table : {"Property", "Shortcut", "ProgId", "Component"}) {
    EXPECT_EQ(after[table], readBytes(edited + table + ".idt")) << table;
    EXPECT_NE(after[table], before.at(table)) << table;
    after.erase(table);
  }
  for (const auto& [table, rows] : after) EXPECT_EQ(rows, before.at(table)) << table;
  EXPECT_EQ(after.size() + 4, before.size());
  EXPECT_EQ(revisionNumber(package), kEditedPackageCode);
  EXPECT_TRUE(strayFiles().empty());
}

// The headless platform edits packages on the drives of its sandbox.
TEST_F(LibmsiInstallerTest, TheHeadlessPlatformEditsPackagesInItsSandbox) {
  std::ostringstream log;
  HeadlessPlatform headless((scratch / "run").string(), "/zelrun", log);
  const fs::path inSandbox = scratch / "run" / "drives" / "c" / "Setup Files" / "setup.msi";
  fs::create_directories(inSandbox.parent_path());
  fs::copy_file(package, inSandbox);
  {
    auto editing = headless.platform().installer->openForEditing("C:\\Setup Files\\setup.msi");
    ASSERT_TRUE(editing);
    EXPECT_TRUE(editing->setPackageCode(kEditedPackageCode));
    EXPECT_TRUE(editing->commit());
  }
  EXPECT_EQ(revisionNumber(inSandbox), kEditedPackageCode);
  EXPECT_EQ(headless.platform().installer->openForEditing("C:\\Setup Files\\missing.msi"), nullptr);
}

TEST_F(LibmsiInstallerTest, NothingReachesTheFileWithoutACommit) {
  {
    auto editing = open();
    ASSERT_TRUE(editing);
    editPackage(*editing, false);
  }
  EXPECT_TRUE(readBytes(package) == original);
  EXPECT_TRUE(strayFiles().empty());

  // What was committed stays; later edits without a commit do not follow it.
  {
    auto editing = open();
    ASSERT_TRUE(editing);
    ASSERT_TRUE(editing->execute("UPDATE `Property` SET `Value`=? WHERE `Property`=?",
                                 {"First", "ProductName"}));
    ASSERT_TRUE(editing->commit());
    ASSERT_TRUE(editing->execute("UPDATE `Property` SET `Value`=? WHERE `Property`=?",
                                 {"Second", "ProductName"}));
    ASSERT_TRUE(editing->setPackageCode(kEditedPackageCode));
  }
  const std::string properties = exportTable(package, "Property");
  EXPECT_NE(properties.find("ProductName\tFirst\r\n"), std::string::npos) << properties;
  EXPECT_EQ(properties.find("Second"), std::string::npos);
  EXPECT_NE(revisionNumber(package), kEditedPackageCode);
  EXPECT_TRUE(strayFiles().empty());
}

TEST_F(LibmsiInstallerTest, APrimaryKeyIsNotUpdated) {
  const std::string progIds = exportTable(package, "ProgId");
  ASSERT_NE(progIds.find("Fixture.Document\t"), std::string::npos);
  {
    auto editing = open();
    ASSERT_TRUE(editing);
    for (const PackageEdit& update : primaryKeyUpdates())
      EXPECT_EQ(editing->execute(update.sql, update.values), update.succeeds) << update.sql;
    EXPECT_FALSE(editing->replaceColumnValues("ProgId", "ProgId", [] { return "Fixture.New"; }));
    EXPECT_TRUE(editing->commit());
  }
  EXPECT_EQ(exportTable(package, "ProgId"), progIds);
}

// Values and statements are the run's texts (here Windows-1252); libmsi takes UTF-8.
TEST_F(LibmsiInstallerTest, TextsReachThePackageFromTheRunsCodePage) {
  {
    auto editing = open();
    ASSERT_TRUE(editing);
    EXPECT_TRUE(
        editing->execute("UPDATE `Property` SET `Value`=? WHERE `Property`=?", {"Caf\xE9 \xDC"
                                                                                "ber \x80",
                                                                                "ProductName"}));
    EXPECT_TRUE(editing->execute(
        "UPDATE `Shortcut` SET `Name`='Lies mich \xFC' WHERE `Directory_`='FixtureMenu'", {}));
    EXPECT_TRUE(editing->commit());
  }
  EXPECT_NE(exportTable(package, "Property").find("ProductName\tCafé Über €\r\n"),
            std::string::npos);
  EXPECT_NE(exportTable(package, "Shortcut").find("\tFixtureMenu\tLies mich ü\t"),
            std::string::npos);
}

TEST_F(LibmsiInstallerTest, FailuresLeaveThePackageAsItWas) {
  const auto tables = allTables(package);

  for (const FailingOperation& c : failingOperations()) {
    for (const bool commit : {false, true}) {
      fs::copy_file(KX_INSTALLER_FIXTURE, package, fs::copy_options::overwrite_existing);
      // The failure is silent.
      ::testing::internal::CaptureStderr();
      {
        auto editing = open();
        ASSERT_TRUE(editing) << c.name;
        EXPECT_FALSE(c.operation(*editing)) << c.name;
        if (commit) {
          EXPECT_TRUE(editing->commit()) << c.name;
        }
      }
      EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << c.name;
      // A commit writes the package anew, with the same tables.
      if (commit) {
        EXPECT_EQ(allTables(package), tables) << c.name;
      } else {
        EXPECT_TRUE(readBytes(package) == original) << c.name;
      }
    }
  }
}

TEST_F(LibmsiInstallerTest, FilesThatCannotBeEditedAreNotOpened) {
  struct Case {
    const char* name;
    std::function<fs::path()> make;  // the file to open; its bytes must stay
  } cases[] = {
      {"not a database",
       [&] {
         writeBytes(scratch / "text.msi", "not an installer package\r\n");
         return scratch / "text.msi";
       }},
      {"a read-only package",
       [&] {
         fs::copy_file(package, scratch / "locked.msi");
         fs::permissions(scratch / "locked.msi",
                         fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                         fs::perm_options::remove);
         return scratch / "locked.msi";
       }},
      {"a missing file", [&] { return scratch / "missing.msi"; }},
      {"a folder",
       [&] {
         fs::create_directory(scratch / "folder.msi");
         return scratch / "folder.msi";
       }},
  };
  for (const Case& c : cases) {
    const fs::path file = c.make();
    const bool existed = fs::exists(file);
    const std::string bytes = fs::is_regular_file(file) ? readBytes(file) : "";
    EXPECT_EQ(installer.openForEditing(windowsPath(file)), nullptr) << c.name;
    EXPECT_EQ(fs::exists(file), existed) << c.name;
    if (fs::is_regular_file(file)) {
      EXPECT_TRUE(readBytes(file) == bytes) << c.name;
    }
  }
  EXPECT_FALSE(fs::exists(scratch / "missing.msi.tmp"));
  EXPECT_FALSE(fs::exists(scratch / "text.msi.tmp"));
}

}  // namespace
}  // namespace kx::test
