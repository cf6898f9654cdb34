#include <gtest/gtest.h>

#include "tests/native/engine_fixture.h"

namespace kx::test {
namespace {

using namespace std::string_literals;

std::string dword(uint32_t value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  return bytes;
}

constexpr const char* kKey = "SOFTWARE\\Kestrix\\Test";

// ---- Read Registry and Check Registry ---------------------------------------------------------

struct RegistryCase {
  const char* name;
  std::string root;
  std::string valueName;
  std::string checked;  // what Check Registry answers
  std::string read;     // what Read Registry answers
};
void PrintTo(const RegistryCase& c, std::ostream* out) {
  *out << c.name;
}

class RegistryQueryTest : public EngineTest, public ::testing::WithParamInterface<RegistryCase> {
 protected:
  void SetUp() override {
    const auto root = RegistryRoot::LocalMachine;
    fake.writeValue(root, kKey, "Text", {registry_types::kString, "C:\\App"});
    fake.writeValue(root, kKey, "Expand", {registry_types::kExpandString, "%SystemRoot%\\x"});
    fake.writeValue(root, kKey, "AllBits", {registry_types::kDword, dword(4294967295u)});
    fake.writeValue(root, kKey, "Five", {registry_types::kDword, dword(5)});
    fake.writeValue(root, kKey, "Short", {registry_types::kDword, "\x01\x02"s});
    fake.writeValue(root, kKey, "Bytes", {registry_types::kBinary, "\x01\x00\xFF"s});
    fake.writeValue(root, kKey, "Multi", {registry_types::kMultiString, "a\0b\0\0"s});
    fake.writeValue(root, kKey, "", {registry_types::kString, "default"});
    fake.writeValue(RegistryRoot::CurrentConfig, kKey, "Text", {registry_types::kString, "cc"});
    fake.unreadableValues.insert(FakePlatform::regPath(root, kKey, "Locked"));
  }
};

TEST_P(RegistryQueryTest, AnswersTheValueOrAStatusWord) {
  const RegistryCase& c = GetParam();
  ASSERT_EQ(run({{"Set Variable", {"K", "SOFTWARE\\\\Kestrix\\\\Test"}},
                 {"Check Registry", {"checked", c.root, "$K$", c.valueName}},
                 {"Read Registry", {"read", c.root, "$K$", c.valueName}}})
                .end,
            RunEnd::Normal);
  EXPECT_EQ(var("CHECKED"), c.checked);
  EXPECT_EQ(var("READ"), c.read);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegistryQueryTest,
    ::testing::Values(RegistryCase{"Text", "2", "Text", "C:\\App", "C:\\App"},
                      RegistryCase{"ExpandableTextStaysUnexpanded", "2", "Expand",
                                   "%SystemRoot%\\x", "%SystemRoot%\\x"},
                      RegistryCase{"DwordIsSigned", "2", "AllBits", "-1", "-1"},
                      RegistryCase{"Dword", "2", "Five", "5", "5"},
                      RegistryCase{"ShortDwordIsAReadError", "2", "Short", "READ$ERROR", ""},
                      RegistryCase{"Binary", "2", "Bytes", "BINARY$VALUE", ""},
                      RegistryCase{"MultiString", "2", "Multi", "UNKNOWN$TYPE", ""},
                      RegistryCase{"DefaultValue", "2", "", "default", "default"},
                      RegistryCase{"MissingValue", "2", "None", "NO$VALUE", ""},
                      RegistryCase{"UnreadableValue", "2", "Locked", "READ$ERROR", ""},
                      RegistryCase{"MissingKeyUnderAnotherRoot", "1", "Text", "NO$KEY", ""},
                      RegistryCase{"CurrentConfigRoot", "4", "Text", "cc", "cc"},
                      RegistryCase{"RootOutsideTheRange", "7", "Text", "NO$KEY", ""},
                      RegistryCase{"HexadecimalRoot", "$2", "Text", "C:\\App", "C:\\App"}));

TEST_F(EngineTest, ARootNumberThatIsNoIntegerIsAScriptError) {
  EXPECT_EQ(run({{"Check Registry", {"R", "HKLM", "SOFTWARE", "x"}}}).end, RunEnd::Error);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_NE(fake.boxes[0].text.find("'HKLM' is not a valid integer value"), std::string::npos);
}

// ---- Get System Settings ----------------------------------------------------------------------

class SystemSettingsTest : public EngineTest {
 protected:
  std::string setting(int number) {
    engine.store.clear();
    EXPECT_EQ(run({{"Get System Settings", {"S", std::to_string(number)}}}).end, RunEnd::Normal);
    return var("S");
  }
  std::string settings(int first, int last) {
    std::string answers;
    for (int n = first; n <= last; ++n) answers += setting(n).substr(0, 1);
    return answers;
  }
};

TEST_F(SystemSettingsTest, MemoryScreenAndColourThresholds) {
  fake.physicalMemory = uint64_t{254} << 20;  // 256 MB less what the video card takes
  EXPECT_EQ(settings(1, 7), "TTTTFFF");
  fake.screenFacts = {768, 1024, 16, 120};  // a portrait screen
  EXPECT_EQ(settings(8, 12), "TTFFF");
  EXPECT_EQ(settings(13, 16), "TTFF");
  EXPECT_EQ(setting(64), "120");
  fake.screenFacts.pixelsPerInch = -1;
  EXPECT_EQ(setting(64), "-1");
}

TEST_F(SystemSettingsTest, WindowsVersionsAndServicePacks) {
  fake.windows = {true, 5, 1, 2600, "Service Pack 3"};
  EXPECT_EQ(settings(17, 26), "FTTTTTTTTF");
  EXPECT_EQ(settings(27, 32), "TTTFFF");
  fake.windows.servicePack = "";
  EXPECT_EQ(setting(27), "FALSE");
  fake.windows.servicePack = "Service Pack 2, v.2180";
  EXPECT_EQ(setting(27), "FALSE") << "the last character is not a number";
  // Windows 98: the Second Edition reports 4.10 with a build above 67766445.
  fake.windows = {false, 4, 10, 67766222, " A "};
  EXPECT_EQ(settings(17, 22), "TFTTFF");
  fake.windows.build = 67766446;
  EXPECT_EQ(settings(19, 22), "TTTF");
}

TEST_F(SystemSettingsTest, UserRightsAndNames) {
  EXPECT_EQ(setting(0), "TRUE");
  EXPECT_EQ(setting(63), "ADMIN");
  fake.groups = {UserGroup::PowerUsers, UserGroup::Users};
  EXPECT_EQ(setting(63), "POWER");
  fake.groups = {UserGroup::Guests};
  EXPECT_EQ(setting(63), "GUEST");
  fake.groups = {};
  EXPECT_EQ(setting(63), "ERROR");
  fake.windows.ntFamily = false;
  EXPECT_EQ(setting(63), "ADMIN");
  EXPECT_EQ(setting(62), "");
  fake.windows.ntFamily = true;
  EXPECT_EQ(setting(60), "user");
  EXPECT_EQ(setting(61), "BUILDBOX");
  EXPECT_EQ(setting(62), "KESTRIX");
}

TEST_F(SystemSettingsTest, RegisteredOwnerAndOrganizationByFamily) {
  fake.writeString(RegistryRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                   "RegisteredOwner", "Ada");
  fake.writeString(RegistryRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                   "RegisteredOrganization", "Nine-x Ltd");
  EXPECT_EQ(setting(35), "Ada");
  EXPECT_EQ(setting(36), "");
  fake.windows.ntFamily = false;
  EXPECT_EQ(setting(36), "Nine-x Ltd");
}

TEST_F(SystemSettingsTest, BrowserVersionFromTheFileInTheSystemFolder) {
  EXPECT_EQ(settings(37, 52), "FFFFFFFFFFFFFFFF") << "no shdocvw.dll";
  fake.versions["C:\\WINDOWS\\SYSTEM32\\SHDOCVW.DLL"] = {{5, 5, 4134, 100}, std::nullopt};
  EXPECT_EQ(settings(37, 52), "FFFFTTTTTTTTTTTT");
}

TEST_F(SystemSettingsTest, IisVersionFromTheRegistry) {
  EXPECT_EQ(settings(53, 58), "FFFFFF");
  const char* key = "SOFTWARE\\Microsoft\\InetStp";
  fake.writeValue(RegistryRoot::LocalMachine, key, "MajorVersion",
                  {registry_types::kDword, dword(5)});
  EXPECT_EQ(settings(53, 58), "FFFFFF") << "the minor version is missing";
  fake.writeValue(RegistryRoot::LocalMachine, key, "MinorVersion",
                  {registry_types::kDword, dword(1)});
  EXPECT_EQ(settings(53, 58), "FTTTTT");
}

TEST_F(SystemSettingsTest, LanguageOfTheSystemsOwnProgram) {
  fake.versions["C:\\WINDOWS\\SYSTEM32\\WINVER.EXE"] = {{6, 1, 7601, 0}, 0x04B00409u};
  EXPECT_EQ(setting(33), "78644233");
  EXPECT_EQ(setting(34), "English (United States)");
}

TEST_F(SystemSettingsTest, NumbersOutsideTheTableAnswerNothing) {
  EXPECT_EQ(setting(65), "");
  EXPECT_EQ(setting(-1), "");
}

// ---- Get Folder Location ----------------------------------------------------------------------

class FolderLocationTest : public EngineTest {
 protected:
  std::string folder(int number, const std::string& allUsers = "FALSE") {
    engine.store.clear();
    EXPECT_EQ(run({{"Get Folder Location", {"F", std::to_string(number), allUsers}}}).end,
              RunEnd::Normal);
    return var("F");
  }
};

TEST_F(FolderLocationTest, ShellFoldersEndWithABackslash) {
  EXPECT_EQ(folder(17), "C:\\Users\\user\\Desktop\\");
  EXPECT_EQ(folder(17, "TRUE"), "C:\\Users\\Public\\Desktop\\");
  EXPECT_EQ(folder(2, "TRUE"), "C:\\Users\\user\\Documents\\") << "documents are the user's own";
  EXPECT_EQ(folder(20), "C:\\Program Files\\");
  EXPECT_EQ(folder(23), "C:\\Windows\\system32\\");
  EXPECT_EQ(folder(25), "C:\\Windows\\");
  EXPECT_EQ(folder(10), "D:\\");
  EXPECT_EQ(folder(0), "") << "a shell folder the system cannot give";
  EXPECT_EQ(folder(28), "");
}

TEST_F(FolderLocationTest, ProgramAndCommonFilesFallBackToTheRegistry) {
  fake.writeString(RegistryRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                   "CommonFilesDir", "C:\\Program Files\\Common Files");
  EXPECT_EQ(folder(20, "TRUE"), "C:\\Program Files\\Common Files\\");
}

TEST_F(FolderLocationTest, RegistryFolders) {
  EXPECT_EQ(folder(9), "");
  EXPECT_EQ(folder(26), "");
  EXPECT_EQ(folder(27), "");
  fake.writeString(RegistryRoot::LocalMachine,
                   "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup", "BootDir", "C:\\");
  fake.writeString(RegistryRoot::CurrentUser,
                   "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                   "AppData", "C:\\Users\\user\\AppData\\Roaming");
  const char* roots = "SYSTEM\\CurrentControlSet\\Services\\W3SVC\\Parameters\\Virtual Roots";
  fake.writeString(RegistryRoot::LocalMachine, roots, "/,", "C:\\Inetpub\\old,,5");
  EXPECT_EQ(folder(9), "C:\\");
  EXPECT_EQ(folder(26),
            "C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch\\");
  EXPECT_EQ(folder(27), "C:\\Inetpub\\old\\");
  fake.writeString(RegistryRoot::LocalMachine, roots, "/", "C:\\Inetpub\\wwwroot,,201");
  EXPECT_EQ(folder(27), "C:\\Inetpub\\wwwroot\\");
  fake.writeString(RegistryRoot::LocalMachine, "SOFTWARE\\Microsoft\\InetStp", "PathWWWRoot",
                   "D:\\www");
  EXPECT_EQ(folder(27), "D:\\www\\");
}

// ---- Get Environment --------------------------------------------------------------------------

TEST_F(EngineTest, GetEnvironmentExpandsThroughTheSystem) {
  fake.environment["WINDIR"] = "C:\\Windows";
  ASSERT_EQ(run({{"Set Variable", {"N", "windir"}},
                 {"Get Environment", {"$N$", "WinDir"}},
                 {"Get Environment", {"NOT_SET_ANYWHERE", "$missing$"}}})
                .end,
            RunEnd::Normal);
  const auto variables = engine.store.snapshot();
  EXPECT_TRUE(std::any_of(variables.begin(), variables.end(), [](const Variable& v) {
    return v.name == "WinDir" && v.value == "C:\\Windows";
  })) << "the variable is defined under the name as written";
  EXPECT_EQ(var("missing"), "%NOT_SET_ANYWHERE%");
}

}  // namespace
}  // namespace kx::test
