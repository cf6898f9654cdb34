// "Convert Path" and "Get Temporary File" against the file system of the Wine prefix.
#include <gtest/gtest.h>
#include <windows.h>

#include "interpreter/interpreter.h"
#include "platform/win32/win32_platform.h"
#include "startup/engine_commands.h"
#include "tests/native/script_builder.h"

namespace kx::test {
namespace {

std::string lowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

std::optional<uint64_t> fileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

class Win32ValueCommandsTest : public ::testing::Test {
 protected:
  Win32ValueCommandsTest() : engine(win32.platform(), engineCommands()) {
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA(longFolder.c_str(), nullptr);
    EXPECT_TRUE(win32.files.writeFile(longFile, "content"));
    EXPECT_TRUE(win32.files.writeFile(msiFile, ""));
    // Silent, so that a failing statement ends the run without waiting for a click.
    engine.options.silent = true;
    engine.options.supportFolder = folder;
    engine.options.msiFile = msiFile;
  }
  ~Win32ValueCommandsTest() override {
    for (const std::string& file : createdFiles) DeleteFileA(file.c_str());
    DeleteFileA(longFile.c_str());
    DeleteFileA(msiFile.c_str());
    RemoveDirectoryA(longFolder.c_str());
    RemoveDirectoryA(folder.c_str());
  }

  void run(const std::vector<Statement>& statements) {
    engine.script = buildScript(statements);
    ASSERT_EQ(runScript(engine).end, RunEnd::Normal);
  }
  std::string var(const std::string& name) { return engine.store.get(name); }

  Win32Platform win32;
  Engine engine;
  const std::string temp = win32.system.temporaryFolder();
  const std::string folder = temp + "Kestrix Value Tests\\";
  const std::string longFolder = folder + "A Folder With A Long Name";
  const std::string longFile = longFolder + "\\Some Long File Name.text";
  const std::string msiFile = folder + "setup.msi";
  std::vector<std::string> createdFiles;
};

TEST_F(Win32ValueCommandsTest, ConvertPathToShortAndBackToLong) {
  run({{"Set Variable", {"SHORTFILE", longFile}},
       {"Convert Path", {"SHORTFILE", "TRUE"}},
       {"Set Variable", {"LONGFILE", "$SHORTFILE$"}},
       {"Convert Path", {"LONGFILE", "FALSE"}},
       {"Set Variable", {"SHORTFOLDER", longFolder + "\\"}},
       {"Convert Path", {"SHORTFOLDER", "TRUE"}},
       {"Set Variable", {"LOWER", lowerAscii(longFolder) + "\\"}},
       {"Convert Path", {"LOWER", "FALSE"}},
       {"Set Variable", {"DRIVE", "c:\\"}},
       {"Convert Path", {"DRIVE", "FALSE"}}});

  const std::string shortFile = var("SHORTFILE");
  EXPECT_NE(shortFile, longFile);
  EXPECT_EQ(shortFile.find(' '), std::string::npos) << shortFile;
  EXPECT_NE(shortFile.find('~'), std::string::npos) << shortFile;
  EXPECT_EQ(fileSize(shortFile), 7u) << shortFile;
  EXPECT_EQ(var("LONGFILE"), longFile);
  // The short form keeps the trailing backslash; the long form drops it and spells every
  // component as the folder lists it.
  EXPECT_EQ(var("SHORTFOLDER").back(), '\\');
  EXPECT_EQ(var("LOWER"), longFolder);
  EXPECT_EQ(var("DRIVE"), "C:");
}

TEST_F(Win32ValueCommandsTest, ConvertPathOfAMissingPathIsEmpty) {
  const std::string missing = folder + "Missing Folder\\Missing File.text";
  run({{"Set Variable", {"LONGFORM", missing}},
       {"Convert Path", {"LONGFORM", "FALSE"}},
       {"Set Variable", {"SHORTFORM", missing}},
       {"Convert Path", {"SHORTFORM", "TRUE"}},
       {"Set Variable", {"PATTERN", folder + "A Folder*"}},
       {"Convert Path", {"PATTERN", "FALSE"}}});
  EXPECT_EQ(var("LONGFORM"), "");
  EXPECT_EQ(var("SHORTFORM"), "");
  EXPECT_EQ(var("PATTERN"), "");
}

TEST_F(Win32ValueCommandsTest, GetTemporaryFileCreatesNewEmptyFiles) {
  run({{"Get Temporary File", {"FIRST"}}, {"Get Temporary File", {"$SECOND$"}}});
  createdFiles = {var("FIRST"), var("SECOND")};
  EXPECT_NE(createdFiles[0], createdFiles[1]);
  for (const std::string& path : createdFiles) {
    ASSERT_GT(path.size(), temp.size());
    EXPECT_EQ(lowerAscii(path.substr(0, temp.size())), lowerAscii(temp)) << path;
    const std::string name = lowerAscii(path.substr(temp.size()));
    EXPECT_TRUE(name.starts_with("zel") && name.ends_with(".tmp")) << name;
    const std::string number = name.substr(3, name.size() - 7);
    EXPECT_FALSE(number.empty()) << name;
    EXPECT_EQ(number.find_first_not_of("0123456789abcdef"), std::string::npos) << name;
    EXPECT_EQ(fileSize(path), 0u) << path;
  }
}

}  // namespace
}  // namespace kx::test
