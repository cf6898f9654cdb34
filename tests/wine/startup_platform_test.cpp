// The start-up's file and system services on a real Windows API (Wine).
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_startup.h"
#include "startup/support_folder.h"

namespace kx {
namespace {

class Win32Files : public ::testing::Test {
 protected:
  Win32Files() {
    root = platform.temporaryFolder() + "kx-startup-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(root.c_str(), nullptr);
  }
  ~Win32Files() override { platform.removeTree(root); }
  void writeReadOnly(const std::string& path, const std::string& bytes) {
    ASSERT_TRUE(platform.writeFile(path, bytes));
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  }
  static bool readOnly(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
  }

  Win32Platform platform;
  std::string root;
};

TEST_F(Win32Files, FoldersAreCreatedExclusively) {
  const std::string folder = root + "\\zel1";
  EXPECT_EQ(platform.createFolderExclusive(folder), FolderCreation::Created);
  EXPECT_EQ(platform.createFolderExclusive(folder), FolderCreation::AlreadyExists);
  ASSERT_TRUE(platform.writeFile(root + "\\zel2", "a file"));
  EXPECT_EQ(platform.createFolderExclusive(root + "\\zel2"), FolderCreation::AlreadyExists);
  EXPECT_EQ(platform.createFolderExclusive(root + "\\missing\\zel1"), FolderCreation::Failed);
  EXPECT_EQ(createSupportFolder(platform, root), root + "\\zel3\\");
}

TEST_F(Win32Files, RemovalTakesReadOnlyFilesAndSubfolders) {
  const std::string folder = root + "\\zel1";
  ASSERT_EQ(platform.createFolderExclusive(folder), FolderCreation::Created);
  ASSERT_EQ(platform.createFolderExclusive(folder + "\\sub"), FolderCreation::Created);
  writeReadOnly(folder + "\\setup.msi", "database");
  writeReadOnly(folder + "\\sub\\dialog.dfm", "dialog");
  ASSERT_TRUE(platform.writeFile(root + "\\zel10", "neighbour"));
  removeSupportFolder(platform, folder + "\\");
  EXPECT_FALSE(platform.folderExists(folder));
  EXPECT_TRUE(platform.fileExists(root + "\\zel10"));
}

TEST_F(Win32Files, AReadOnlyDatabaseIsCopiedWritable) {
  const std::string program = root + "\\program\\";
  const std::string support = root + "\\zel1\\";
  CreateDirectoryA(program.c_str(), nullptr);
  CreateDirectoryA(support.c_str(), nullptr);
  ASSERT_TRUE(platform.writeFile(program + "setup.res", ""));
  writeReadOnly(program + "setup.msi", "database");
  writeReadOnly(support + "setup.msi", "an older copy");
  ASSERT_EQ(fillSupportFolder(platform, nullptr, program, "setup", support),
            SupportFilesResult::Ready);
  EXPECT_EQ(platform.readFile(support + "setup.msi"), "database");
  EXPECT_FALSE(readOnly(support + "setup.msi"));
  EXPECT_TRUE(readOnly(program + "setup.msi"));
  EXPECT_FALSE(platform.fileExists(support + "setup.msp"));
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

namespace kx {
namespace {

struct ChildGeometry {
  std::string windowClass;
  RECT rect;  // in the parent's client coordinates
};

std::vector<ChildGeometry> children(HWND parent) {
  std::vector<ChildGeometry> found;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char name[64] = {};
    GetClassNameA(child, name, sizeof name);
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    found.push_back({name, rect});
  }
  return found;
}

// A 24-bit bottom-up BMP file of the given size.
std::string bitmapFile(int width, int height) {
  const int rowSize = (width * 3 + 3) / 4 * 4;
  const int pixels = rowSize * height;
  std::string file(54 + static_cast<size_t>(pixels), '\x7f');
  const auto put = [&](size_t offset, uint32_t value, int size) {
    for (int i = 0; i < size; ++i) file[offset + i] = static_cast<char>(value >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put(2, static_cast<uint32_t>(file.size()), 4);
  put(6, 0, 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, static_cast<uint32_t>(width), 4);
  put(22, static_cast<uint32_t>(height), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  put(30, 0, 4);
  put(34, static_cast<uint32_t>(pixels), 4);
  for (size_t offset : {38u, 42u, 46u, 50u}) put(offset, 0, 4);
  return file;
}

// Needs a display: tests/wine/setup_runs.sh runs it under Xvfb and requires it to pass.
TEST(Win32StartupServices, PreparingWindowHasItsGeometryAndFollowsTheSplash) {
  Win32Platform platform;
  const std::string picture = platform.temporaryFolder() + "kx-splash.bmp";
  ASSERT_TRUE(platform.writeFile(picture, bitmapFile(320, 200)));
  Win32Startup startup;
  startup.showStartWindows(picture, "Kestrix Wizard", "Please wait.");
  if (!startup.preparingWindow()) GTEST_SKIP() << "no display";
  HWND preparing = FindWindowA("TSetupInit", nullptr);
  HWND splash = FindWindowA("TSetupSplash", nullptr);
  ASSERT_TRUE(preparing);
  ASSERT_TRUE(splash);
  EXPECT_EQ(reinterpret_cast<HWND>(startup.preparingWindow()), preparing);

  char caption[64] = {};
  GetWindowTextA(preparing, caption, sizeof caption);
  EXPECT_STREQ(caption, "Kestrix Wizard");
  RECT client;
  GetClientRect(preparing, &client);
  EXPECT_EQ(client.right, 385);
  EXPECT_EQ(client.bottom, 89);
  const auto controls = children(preparing);
  ASSERT_EQ(controls.size(), 3u);
  EXPECT_EQ(controls[1].windowClass, "Static");
  EXPECT_EQ(controls[1].rect.left, 72);
  EXPECT_EQ(controls[1].rect.top, 16);
  EXPECT_EQ(controls[1].rect.right - controls[1].rect.left, 297);
  EXPECT_EQ(controls[1].rect.bottom - controls[1].rect.top, 33);
  EXPECT_EQ(controls[2].windowClass, "msctls_progress32");
  EXPECT_EQ(controls[2].rect.left, 16);
  EXPECT_EQ(controls[2].rect.top, 56);
  EXPECT_EQ(controls[2].rect.right - controls[2].rect.left, 353);
  EXPECT_EQ(controls[2].rect.bottom - controls[2].rect.top, 17);

  RECT splashRect, preparingRect;
  GetWindowRect(splash, &splashRect);
  GetWindowRect(preparing, &preparingRect);
  EXPECT_EQ(splashRect.right - splashRect.left, 320);
  EXPECT_EQ(splashRect.bottom - splashRect.top, 200);
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_EQ(splashRect.left, (screenWidth - 320) / 2);
  const int width = preparingRect.right - preparingRect.left;
  const int height = preparingRect.bottom - preparingRect.top;
  EXPECT_EQ(preparingRect.left,
            std::min<LONG>(splashRect.left + 160 + 50, screenWidth - width - 25));
  EXPECT_EQ(preparingRect.top, std::min<LONG>(splashRect.bottom + 25, screenHeight - height - 45));

  startup.setPreparingProgress(0, 4, 1);
  EXPECT_EQ(SendMessageA(FindWindowExA(preparing, nullptr, "msctls_progress32", nullptr),
                         PBM_GETPOS, 0, 0),
            1);
  startup.closeStartWindows();
  EXPECT_FALSE(IsWindow(preparing));
  EXPECT_FALSE(IsWindow(splash));
  platform.deleteFile(picture);
}

}  // namespace
}  // namespace kx
