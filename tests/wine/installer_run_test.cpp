// Installations through the system's msi.dll, of the package that wixl makes from
// tests/data/installer_run: installed from a worker thread with a message handler, removed
// through a package handle. Wine's msi.dll goes on when the handler answers
// with a cancel, so that is not tested here.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/win32/win32_installer.h"

namespace kx::test {
namespace {

constexpr char kProductCode[] = "{2FD118E8-6D53-46CF-A68C-ECF82362B0C5}";
constexpr char kPackageCode[] = KX_INSTALLER_RUN_PACKAGE_CODE;
constexpr uint32_t kEveryMessage = 0x7FDF;  // what an apply asks for
constexpr uint32_t kActionStart = 0x08;
constexpr uint32_t kProgress = 0x0A;

std::string windowsPath(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

struct Message {
  uint32_t type;
  std::string text;
  std::thread::id thread;
};

size_t countOfKind(const std::vector<Message>& messages, uint32_t kind) {
  return std::count_if(messages.begin(), messages.end(),
                       [kind](const Message& m) { return m.type >> 24 == kind; });
}

class InstallerRun : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("KX_INSTALLER_WITHOUT_MSI")) GTEST_SKIP() << "msi.dll is disabled";
    ASSERT_NE(installer.productState(kProductCode), installer_codes::kProductInstalled);
  }

  // Runs the call on a thread of its own, as an apply does, recording the messages; answers
  // how many came on another thread.
  template <typename Call>
  size_t onWorker(Call call) {
    installer.setMessageHandler(kEveryMessage, [this](uint32_t type, const std::string& text) {
      messages.push_back({type, text, std::this_thread::get_id()});
      return 0;
    });
    std::thread thread(call);
    const std::thread::id worker = thread.get_id();
    thread.join();
    return std::count_if(messages.begin(), messages.end(),
                         [worker](const Message& m) { return m.thread != worker; });
  }

  bool payloadExists() const {
    return GetFileAttributesA(payload.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  std::string registryValue() const {
    char value[64] = {};
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, "Software\\Kestrix\\InstallerRun", "Installed",
                     RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
      return "";
    return value;
  }

  Win32WindowsInstaller installer;
  const std::string package = windowsPath(KX_INSTALLER_RUN_PACKAGE);
  const std::string payload =
      std::string(std::getenv("ProgramFiles(x86)")) + "\\Kestrix Installer Run\\payload.txt";
  std::vector<Message> messages;
};

TEST_F(InstallerRun, InstallsAndRemovesThroughAPackageHandle) {
  char temporary[MAX_PATH];
  GetTempPathA(sizeof temporary, temporary);
  const std::string log = std::string(temporary) + "kx-installer-run.log";
  DeleteFileA(log.c_str());
  installer.enableLog(0x3FDF, log, 3);

  uint32_t code = 1;
  EXPECT_EQ(onWorker([&] { code = installer.installProduct(package, "ADDLOCAL=ALL REBOOT=R "); }),
            0u);
  EXPECT_EQ(code, installer_codes::kSuccess);
  EXPECT_GT(countOfKind(messages, kActionStart), 0u);
  EXPECT_GT(countOfKind(messages, kProgress), 0u);
  EXPECT_TRUE(std::any_of(messages.begin(), messages.end(), [](const Message& m) {
    return m.type >> 24 == kActionStart && m.text.find("InstallFiles") != std::string::npos;
  }));
  EXPECT_TRUE(payloadExists()) << payload;
  EXPECT_EQ(registryValue(), "yes");
  EXPECT_EQ(installer.productState(kProductCode), installer_codes::kProductInstalled);
  EXPECT_EQ(installer.productInfo(kProductCode, "PackageCode"), kPackageCode);
  EXPECT_EQ(installer.productInfo(kProductCode, "NoSuchProperty"), std::nullopt);

  // The package asks for a restart when ASKRESTART is set.
  messages.clear();
  PackageActionResult removal;
  EXPECT_EQ(onWorker([&] {
              removal = installer.runPackageAction(
                  package,
                  {{"ALLUSERS", "1"}, {"REMOVE", "ALL"}, {"ASKRESTART", "1"}, {"REBOOT", "R"}},
                  "INSTALL");
            }),
            0u);
  EXPECT_EQ(removal.code, installer_codes::kSuccess);
  EXPECT_TRUE(removal.restartNeeded);
  EXPECT_GT(countOfKind(messages, kActionStart), 0u);
  EXPECT_NE(installer.productState(kProductCode), installer_codes::kProductInstalled);
  EXPECT_FALSE(payloadExists());
  EXPECT_EQ(registryValue(), "");

  std::ifstream in(log, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("InstallFiles"), std::string::npos) << text.str().substr(0, 2000);
}

TEST_F(InstallerRun, APackageThatCannotBeOpenedFails) {
  const std::string missing = package + ".missing";
  EXPECT_NE(installer.installProduct(missing, ""), installer_codes::kSuccess);
  EXPECT_EQ(installer.runPackageAction(missing, {{"REMOVE", "ALL"}}, "INSTALL").code,
            static_cast<uint32_t>(ERROR_INVALID_HANDLE));
}

// installer_package.sh runs it with msi.dll disabled.
TEST(Win32InstallerWithoutMsi, InstallsNothing) {
  if (!std::getenv("KX_INSTALLER_WITHOUT_MSI"))
    GTEST_SKIP() << "installer_package.sh runs it without msi.dll";
  Win32WindowsInstaller installer;
  const std::string package = windowsPath(KX_INSTALLER_RUN_PACKAGE);
  bool called = false;
  installer.setMessageHandler(kEveryMessage, [&](uint32_t, const std::string&) {
    called = true;
    return 0;
  });
  const std::string log = package + ".log";
  installer.enableLog(0x3FDF, log, 3);
  installer.addSource(kProductCode, "", "C:\\");
  EXPECT_LT(installer.productState(kProductCode), 0);
  EXPECT_EQ(installer.productInfo(kProductCode, "PackageCode"), std::nullopt);
  constexpr uint32_t kNoService = 1601;  // ERROR_INSTALL_SERVICE_FAILURE
  EXPECT_EQ(installer.installProduct(package, "ADDLOCAL=ALL "), kNoService);
  EXPECT_EQ(installer.applyPatch(package, "ADDLOCAL=ALL "), kNoService);
  EXPECT_EQ(installer.runPackageAction(package, {{"REMOVE", "ALL"}}, "INSTALL").code, kNoService);
  EXPECT_FALSE(called);
  EXPECT_EQ(GetFileAttributesA(log.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace kx::test
