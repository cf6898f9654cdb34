// The headless installer's stand-in for installations, over the real fixture package: what it
// logs, answers and remembers as installed, and the messages it sends.
#include <gtest/gtest.h>

#include <sstream>

#include "archive_support.h"
#include "platform/headless/headless_installation.h"
#include "platform/headless/headless_platform.h"
#include "tests/package_edits.h"

namespace kx::test {
namespace {

constexpr const char* kProductCode = "{11111111-2222-3333-4444-555555555555}";
constexpr const char* kPackage = "C:\\Setup\\setup.msi";
constexpr const char* kRemovalAction = "INSTALL";

const std::vector<std::pair<std::string, std::string>> kRemoveAll = {{"ALLUSERS", ""},
                                                                     {"REMOVE", "ALL"}};

class HeadlessInstallationTest : public ::testing::Test {
 protected:
  HeadlessInstallationTest() {
    const fs::path package = scratch / "run" / "drives" / "c" / "Setup" / "setup.msi";
    fs::create_directories(package.parent_path());
    fs::copy_file(KX_INSTALLER_FIXTURE, package);
    // wixl gives every build a new package code; this one is known.
    auto editing = headless.installer.openForEditing(kPackage);
    EXPECT_TRUE(editing && editing->setPackageCode(kEditedPackageCode) && editing->commit());
    fs::create_directories(headless.sandbox.hostPath(headless.system.temporaryFolder()));
    log.str("");
  }
  void writeHandOver(const std::string& bytes) {
    writeBytes(headless.sandbox.hostPath(headless.system.temporaryFolder() + kProductCode), bytes);
  }
  // The log's lines since the last call.
  std::vector<std::string> logLines() {
    std::vector<std::string> lines;
    std::istringstream in(log.str());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    log.str("");
    return lines;
  }
  bool installed() {
    return installer.productState(kProductCode) == installer_codes::kProductInstalled;
  }

  ScratchFolder scratch;
  std::ostringstream log;
  HeadlessPlatform headless{(scratch / "run").string(), "/zelrun", log};
  HeadlessInstaller& installer = headless.installer;
};

TEST_F(HeadlessInstallationTest, ASuccessfulInstallationMarksTheProductInstalled) {
  struct Case {
    uint32_t result;
    const char* commandLine;
    bool installs;
  } cases[] = {
      {0, "ADDLOCAL=ALL ALLUSERS=1 ", true}, {3010, "REINSTALL=ALL REINSTALLMODE=vomus ", true},
      {1641, "ADDLOCAL=ALL ", true},         {1603, "ADDLOCAL=ALL ", false},
      {1602, "ADDLOCAL=ALL ", false},        {0, "ADVERTISE=ALL ALLUSERS=1 ", false},
  };
  for (const Case& c : cases) {
    HeadlessInstaller fresh(headless.sandbox, headless.system, log);
    fresh.result = c.result;
    ASSERT_EQ(fresh.productState(kProductCode), -1);
    EXPECT_EQ(fresh.installProduct(kPackage, c.commandLine), c.result) << c.commandLine;
    EXPECT_EQ(fresh.productState(kProductCode), c.installs ? 5 : -1) << c.result;
    EXPECT_EQ(fresh.productInfo(kProductCode, "PackageCode"),
              c.installs ? std::optional<std::string>(kEditedPackageCode) : std::nullopt)
        << c.result;
  }
  // Product codes are found whatever their letter case; other properties are not known.
  installer.installProduct(kPackage, "ADDLOCAL=ALL ");
  EXPECT_EQ(installer.productState("{11111111-2222-3333-4444-555555555555}"), 5);
  EXPECT_EQ(installer.productInfo(kProductCode, "VersionString"), std::nullopt);
  EXPECT_EQ(installer.productState("{99999999-2222-3333-4444-555555555555}"), -1);
  // A file that is not a package, or a patch, installs nothing but still answers the code.
  installer.result = 3010;
  installer.markInstalled("{AAAAAAAA-2222-3333-4444-555555555555}", "");
  EXPECT_EQ(installer.installProduct("C:\\Setup\\missing.msi", "ADDLOCAL=ALL "), 3010u);
  EXPECT_EQ(installer.applyPatch(kPackage, "ADDLOCAL=ALL "), 3010u);
  EXPECT_EQ(installer.productInfo("{aaaaaaaa-2222-3333-4444-555555555555}", "PackageCode"),
            std::nullopt);
  EXPECT_EQ(installer.productState("{aaaaaaaa-2222-3333-4444-555555555555}"), 5);
}

TEST_F(HeadlessInstallationTest, ASuccessfulRemovalForgetsTheProduct) {
  struct Case {
    uint32_t result;
    std::vector<std::pair<std::string, std::string>> properties;
    PackageActionResult answer;
    bool stillInstalled;
  } cases[] = {
      {0, kRemoveAll, {0, false}, false},
      {3010, kRemoveAll, {0, true}, false},
      {1641, kRemoveAll, {0, true}, false},
      {1603, kRemoveAll, {1603, false}, true},
      {0, {{"REMOVE", "Feature"}}, {0, false}, true},
  };
  for (const Case& c : cases) {
    installer.result = 0;
    ASSERT_EQ(installer.installProduct(kPackage, "ADDLOCAL=ALL "), 0u);
    installer.result = c.result;
    const PackageActionResult answer =
        installer.runPackageAction(kPackage, c.properties, kRemovalAction);
    EXPECT_EQ(answer.code, c.answer.code) << c.result;
    EXPECT_EQ(answer.restartNeeded, c.answer.restartNeeded) << c.result;
    EXPECT_EQ(installed(), c.stillInstalled) << c.result;
  }
  // A product declared before the run is removed the same way.
  HeadlessInstaller declared(headless.sandbox, headless.system, log);
  declared.markInstalled("{11111111-2222-3333-4444-555555555555}", "{OLD}");
  EXPECT_EQ(declared.productInfo(kProductCode, "PackageCode"), "{OLD}");
  EXPECT_EQ(declared.runPackageAction(kPackage, kRemoveAll, kRemovalAction).code, 0u);
  EXPECT_EQ(declared.productState(kProductCode), -1);
}

TEST_F(HeadlessInstallationTest, MessagesGoToTheHandlerInOrderUntilItCancels) {
  std::vector<std::pair<uint32_t, std::string>> received;
  std::vector<int32_t> answers;
  installer.setMessageHandler(0x7FDF, [&](uint32_t type, const std::string& text) {
    received.emplace_back(type, text);
    const int32_t answer = answers.empty() ? 1 : answers.front();
    if (!answers.empty()) answers.erase(answers.begin());
    return answer;
  });
  ASSERT_EQ(readInstallerMessages("0x0C000000 \r\n"
                                  "0x01000030 Disk is full$NEWLINE$Retry?\r\n"
                                  "05000000 Files in use\r\n"
                                  "0A000000 1: 0 2: 1000 3: 0 4: 0\r\n",
                                  installer.messages),
            "");
  logLines();

  answers = {1, 4};
  EXPECT_EQ(installer.installProduct(kPackage, "ADDLOCAL=ALL "), 0u);
  const std::vector<std::pair<uint32_t, std::string>> all = {
      {0x0C000000, ""},
      {0x01000030, "Disk is full\r\nRetry?"},
      {0x0A000000, "1: 0 2: 1000 3: 0 4: 0"}};
  EXPECT_EQ(received, all);
  EXPECT_EQ(logLines(), (std::vector<std::string>{
                            "Installer: install C:\\Setup\\setup.msi | ADDLOCAL=ALL ",
                            "Installer: message 0x0C000000 answered 1",
                            "Installer: message 0x01000030 answered 4",
                            "Installer: message 0x05000000 not sent",
                            "Installer: message 0x0A000000 answered 1",
                            "Installer: result 0",
                            "Installer: " + std::string(kProductCode) + " installed with package " +
                                kEditedPackageCode,
                        }));

  // A cancel answer ends the call at once with ERROR_INSTALL_USEREXIT, whatever the result
  // would have been, and the product stays as it was.
  for (const bool removal : {false, true}) {
    received.clear();
    answers = {1, 2};
    installer.result = 3010;
    const uint32_t code =
        removal ? installer.runPackageAction(kPackage, kRemoveAll, kRemovalAction).code
                : installer.applyPatch("C:\\Setup\\setup.msp", "ADDLOCAL=ALL ");
    EXPECT_EQ(code, 1602u) << removal;
    EXPECT_EQ(received, std::vector(all.begin(), all.begin() + 2)) << removal;
    EXPECT_TRUE(installed()) << removal;
    const std::vector<std::string> lines = logLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(std::vector(lines.end() - 2, lines.end()),
              (std::vector<std::string>{"Installer: message 0x01000030 answered 2",
                                        "Installer: result 1602"}));
  }

  // Without a handler nothing is sent.
  installer.setMessageHandler(0x7FDF, nullptr);
  installer.result = 0;
  received.clear();
  EXPECT_EQ(installer.applyPatch("C:\\Setup\\setup.msp", ""), 0u);
  EXPECT_TRUE(received.empty());
  const std::vector<std::string> lines = logLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[2], "Installer: message 0x0C000000 not sent");
}

TEST_F(HeadlessInstallationTest, EachCallIsLoggedWithTheHandOverFileOfItsProduct) {
  installer.enableLog(0x3FDF, "C:\\Logs\\setup.log", 3);
  installer.setMessageHandler(0x7FDF, [](uint32_t, const std::string&) { return 1; });
  installer.addSource(kProductCode, "", "C:\\Old\\");
  installer.addSource(kProductCode, "WORKGROUP\\user", "C:\\Old\\");
  // Entries of name, value lines and "$ex"; the last one lacks its end.
  writeHandOver(
      "SourceDir\r\nC:\\Data\\\r\n$ex\r\n"
      "NOTES\r\nfirst\r\nsecond\r\n$ex\r\n"
      "EMPTY\r\n\r\n$ex\r\n"
      "TARGETDIR\r\nC:\\Program Files\\Fixture\r\n");
  installer.installProduct(kPackage, "ADDLOCAL=ALL ALLUSERS=\"\" ");
  installer.runPackageAction(kPackage, {{"ALLUSERS", ""}, {"REMOVE", "ALL"}, {"REBOOT", "R"}},
                             "INSTALL");
  // A patch names no product: its hand-over file is not looked for.
  installer.applyPatch("C:\\Setup\\setup.msp", "ADDLOCAL=ALL SRCDIR=C:\\Old\\ ");
  const std::vector<std::string> handOver = {
      "Installer: hand-over SourceDir=C:\\Data\\",
      "Installer: hand-over NOTES=first$NEWLINE$second",
      "Installer: hand-over EMPTY=",
      "Installer: hand-over TARGETDIR=C:\\Program Files\\Fixture",
  };
  std::vector<std::string> expected = {
      "Installer: log C:\\Logs\\setup.log mode 0x3FDF attributes 3",
      "Installer: handler filter 0x7FDF",
      "Installer: source {11111111-2222-3333-4444-555555555555} for : C:\\Old\\",
      "Installer: source {11111111-2222-3333-4444-555555555555} for WORKGROUP\\user: C:\\Old\\",
      "Installer: install C:\\Setup\\setup.msi | ADDLOCAL=ALL ALLUSERS=\"\" "};
  expected.insert(expected.end(), handOver.begin(), handOver.end());
  expected.insert(
      expected.end(),
      {"Installer: result 0",
       "Installer: {11111111-2222-3333-4444-555555555555} installed with package " +
           std::string(kEditedPackageCode),
       "Installer: action INSTALL on C:\\Setup\\setup.msi: ALLUSERS= REMOVE=ALL REBOOT=R"});
  expected.insert(expected.end(), handOver.begin(), handOver.end());
  expected.insert(
      expected.end(),
      {"Installer: result 0", "Installer: {11111111-2222-3333-4444-555555555555} removed",
       "Installer: patch C:\\Setup\\setup.msp | ADDLOCAL=ALL SRCDIR=C:\\Old\\ ",
       "Installer: result 0"});
  EXPECT_EQ(logLines(), expected);

  // Without a hand-over file only the call is logged.
  fs::remove(headless.sandbox.hostPath(headless.system.temporaryFolder() + kProductCode));
  installer.result = 1603;
  installer.installProduct(kPackage, "ADDLOCAL=ALL ");
  EXPECT_EQ(logLines(),
            (std::vector<std::string>{"Installer: install C:\\Setup\\setup.msi | ADDLOCAL=ALL ",
                                      "Installer: result 1603"}));
}

TEST(ScriptedInstallerMessagesTest, ReadsOneMessageALine) {
  std::vector<ScriptedInstallerMessage> messages;
  ASSERT_EQ(readInstallerMessages("0x01000030 Disk is full\n\n0a000000 1: 0 2: 1000\r\n"
                                  "0X04000000\r\nff000000  two  blanks",
                                  messages),
            "");
  ASSERT_EQ(messages.size(), 4u);
  const std::pair<uint32_t, const char*> expected[] = {{0x01000030, "Disk is full"},
                                                       {0x0A000000, "1: 0 2: 1000"},
                                                       {0x04000000, ""},
                                                       {0xFF000000, " two  blanks"}};
  for (size_t i = 0; i < messages.size(); ++i) {
    EXPECT_EQ(messages[i].type, expected[i].first) << i;
    EXPECT_EQ(messages[i].text, expected[i].second) << i;
  }
  // A malformed line names itself and leaves the messages as they were.
  for (const char* text : {"0x01000030 ok\nDisk is full", "01000030 ok\n0x", "1 ok\n100000000 big",
                           "1 ok\n-1 negative", "1 ok\n 01000030 leading blank"}) {
    EXPECT_EQ(readInstallerMessages(text, messages), "line 2: not a message type") << text;
    EXPECT_EQ(messages.size(), 4u) << text;
  }
}

TEST(PackageIdentityTest, ReadsTheProductAndPackageCodesOfAPackage) {
  ScratchFolder scratch;
  const Sandbox sandbox{(scratch / "run").string(), CodePage()};
  const fs::path folder = scratch / "run" / "drives" / "c";
  fs::create_directories(folder);
  fs::copy_file(KX_INSTALLER_FIXTURE, folder / "setup.msi");
  writeBytes(folder / "text.msi", "not an installer package\r\n");
  const std::string original = readBytes(folder / "setup.msi");
  LibmsiInstaller packages(sandbox);
  const auto identity = packages.identity("C:\\setup.msi");
  ASSERT_TRUE(identity);
  EXPECT_EQ(identity->productCode, kProductCode);
  EXPECT_EQ(identity->packageCode.size(), 38u) << identity->packageCode;
  EXPECT_TRUE(readBytes(folder / "setup.msi") == original);
  for (const char* path : {"C:\\text.msi", "C:\\missing.msi", "C:\\"})
    EXPECT_FALSE(packages.identity(path)) << path;
}

}  // namespace
}  // namespace kx::test
