// "Apply Changes" and "Apply Patch" over the fake installer: the command lines, the hand-over
// file, the log header, the sources check and the outcomes a script sees.
#include <gtest/gtest.h>

#include "installer/installer_session.h"
#include "interpreter/interpreter.h"
#include "startup/engine_commands.h"
#include "tests/native/fake_platform.h"
#include "tests/native/script_builder.h"

namespace kx::test {
namespace {

constexpr const char* kProduct = "{D476A5F2-B52A-464F-82D1-2B29B76326B2}";
const std::string kHandOver = std::string("C:\\Temp\\") + kProduct;
const std::string kHidden = "ARPSYSTEMCOMPONENT=1 ARPNOREMOVE=1 ARPNOMODIFY=1 ARPNOREPAIR=1 ";

// A fresh engine over the fake platform for each case, the data folder with a short form.
struct ApplyRig {
  ApplyRig() {
    engine.options.supportFolder = "C:\\Temp\\zel1\\";
    engine.options.msiFile = "C:\\Temp\\zel1\\setup.msi";
    fake.files[upperAscii(engine.options.msiFile)] = "";
    engine.options.dataFolder = "C:\\Setup\\data\\";
    shortName("C:\\Setup\\data\\", "C:\\Setup\\data");
    shortName("C:\\Temp\\zel1\\", "C:\\Temp\\zel1");
  }
  void shortName(const std::string& path, const std::string& shortForm) {
    fake.shortNames[upperAscii(path)] = shortForm;
  }
  // Runs the statements with the overrides given as NAME=VALUE.
  void runWith(const std::vector<Statement>& statements,
               const std::vector<std::pair<std::string, std::string>>& overrides = {}) {
    for (const auto& override : overrides) engine.options.overrides.push_back(override);
    run(statements);
  }
  void applyChanges(const std::string& install, const std::string& uninstall,
                    const std::vector<std::pair<std::string, std::string>>& overrides = {}) {
    runWith({{"Apply Changes", {"progress", "RESULT", install, uninstall}}}, overrides);
  }
  // The log lines of the installer's calls that start with `kind`.
  std::vector<std::string> calls(const std::string& kind) {
    std::vector<std::string> found;
    for (const std::string& line : fake.installer.log)
      if (line.starts_with(kind)) found.push_back(line);
    return found;
  }
  std::string installCall() {
    const auto found = calls("install ");
    return found.size() == 1 ? found[0] : "calls: " + std::to_string(found.size());
  }
  std::string handOverSeen;
  void keepHandOver() {
    fake.installer.duringInstallation = [this] {
      handOverSeen = fake.readFile(kHandOver).value_or("(missing)");
    };
  }
  void run(const std::vector<Statement>& statements) {
    engine.script = buildScript(statements);
    runScript(engine);
  }
  std::string var(const std::string& name) { return engine.store.get(name); }

  FakePlatform fake;
  Engine engine{fake.platform(), engineCommands()};
};

struct CommandLineCase {
  std::string name;
  std::string install, uninstall;  // parameters 3 and 4
  bool installed;
  std::string allUsers;
  std::string expected;  // after "install C:\Temp\zel1\setup.msi|"
};

const std::string kSources =
    "SRCDIR=C:\\Setup\\data\\ SOURCELIST=C:\\Setup\\data\\;C:\\Temp\\zel1\\ "
    "MEDIAPACKAGEPATH=\\Setup\\ REBOOT=R ";

const CommandLineCase kCommandLines[] = {
    {"first installation", "TRUE", "FALSE", false, "TRUE",
     "ADDLOCAL=ALL ALLUSERS=1 " + kHidden + kSources},
    {"repair", "-1", "FALSE", true, "TRUE",
     "REINSTALL=ALL REINSTALLMODE=vomus ALLUSERS=1 " + kHidden + kSources},
    {"advertise", "FALSE", "FALSE", false, "TRUE",
     "ADVERTISE=ALL ALLUSERS=1 " + kHidden + kSources},
    {"advertise an installed product repairs", "FALSE", "FALSE", true, "TRUE",
     "REINSTALL=ALL REINSTALLMODE=vomus ALLUSERS=1 " + kHidden + kSources},
    {"lower-case true is no ALLUSERS", "true", "FALSE", false, "true",
     "ADDLOCAL=ALL ALLUSERS=\"\" " + kHidden + kSources},
};

TEST(ApplyChanges, CommandLines) {
  ApplyRig rig;
  for (const CommandLineCase& c : kCommandLines) {
    SCOPED_TRACE(c.name);
    ApplyRig test;
    test.fake.installer.productStates[kProduct] = c.installed ? 5 : 2;
    // An installed product is maintained: its sources are where they were.
    if (c.installed) test.fake.writeFile(std::string("C:\\Setup\\data\\") + kProduct, "");
    test.applyChanges(c.install, c.uninstall, {{"ALLUSERS", c.allUsers}});
    EXPECT_EQ(test.installCall(), "install C:\\Temp\\zel1\\setup.msi|" + c.expected);
    EXPECT_EQ(test.var("RESULT"), "COMPLETE");
  }
}

TEST(ApplyChanges, RemovalSetsPropertiesOnAPackageHandle) {
  ApplyRig rig;
  rig.fake.installer.productStates[kProduct] = 5;
  rig.fake.installer.actionNeedsRestart = true;
  rig.applyChanges("FALSE", "TRUE", {{"ALLUSERS", "TRUE"}, {"MAINTENANCE", "TRUE"}});
  EXPECT_TRUE(rig.calls("install ").empty());
  EXPECT_EQ(
      rig.calls("action "),
      std::vector<std::string>{"action C:\\Temp\\zel1\\setup.msi INSTALL ALLUSERS=1|REMOVE=ALL|"
                               "SRCDIR=C:\\Setup\\data\\|SOURCELIST=C:\\Setup\\data\\;"
                               "C:\\Temp\\zel1\\|MEDIAPACKAGEPATH=\\Setup\\|REBOOT=R"});
  // A removal in maintenance never asks for the sources.
  EXPECT_TRUE(rig.fake.dialogWindows.pickerTitles.empty());
  EXPECT_EQ(rig.var("RESULT"), "REBOOT");
  EXPECT_EQ(rig.var("REBOOTCOMPUTER"), "TRUE");
}

// Folders without a short form, or whose short form holds a blank, are quoted; the source list
// as a whole.
TEST(ApplyChanges, QuotesFoldersWithoutShortFormsOrWithBlanks) {
  ApplyRig rig;
  rig.engine.options.dataFolder = "C:\\My Setup\\Data Files\\";
  rig.fake.shortNames.clear();
  rig.fake.createFolders("C:\\My Setup\\Data Files");
  rig.applyChanges("TRUE", "FALSE", {{"ALLUSERS", "FALSE"}});
  EXPECT_EQ(rig.installCall(), "install C:\\Temp\\zel1\\setup.msi|ADDLOCAL=ALL ALLUSERS=\"\" " +
                                   kHidden +
                                   "SRCDIR=\"C:\\My Setup\\Data Files\\\" "
                                   "SOURCELIST=\"C:\\My Setup\\Data Files\\;C:\\Temp\\zel1\\\" "
                                   "MEDIAPACKAGEPATH=\"\\My Setup\\\" REBOOT=R ");
}

TEST(ApplyChanges, MediaPathIsTheDataFoldersParentWithoutItsDrive) {
  ApplyRig rig;
  const std::pair<std::string, std::string> cases[] = {
      {"D:\\Products\\Setup\\data\\", "\\Products\\Setup\\"},
      {"C:\\data\\", "\\"},
      {"\\\\server\\share\\setup\\data\\", "\\setup\\"},
  };
  for (const auto& [dataFolder, mediaPath] : cases) {
    SCOPED_TRACE(dataFolder);
    ApplyRig test;
    test.engine.options.dataFolder = dataFolder;
    test.shortName(dataFolder, dataFolder);
    test.applyChanges("TRUE", "FALSE", {{"ALLUSERS", "TRUE"}});
    EXPECT_NE(test.installCall().find(" MEDIAPACKAGEPATH=" + mediaPath + " REBOOT=R "),
              std::string::npos)
        << test.installCall();
  }
}

TEST(ApplyChanges, HandOverFileCarriesPropertiesAndVariablesButReservedNames) {
  ApplyRig rig;
  rig.keepHandOver();
  rig.runWith({{"Set Variable", {"NOTE", "one$NEWLINE$two"}},
               {"Set Variable", {"PATHS", "C:\\\\x"}},
               {"Apply Changes", {"progress", "RESULT", "TRUE", "FALSE"}}},
              {{"TARGETDIR", "C:\\App\\"}});
  const std::string& text = rig.handOverSeen;
  EXPECT_TRUE(
      text.starts_with("SourceDir\r\nC:\\Setup\\data\\\r\n$ex\r\n"
                       "MEDIAPACKAGEPATH\r\n\\Setup\\\r\n$ex\r\n"
                       "MSINTEMP\r\nC:\\Temp\\\r\n$ex\r\n"))
      << text;
  EXPECT_NE(text.find("\r\nTARGETDIR\r\nC:\\App\\\r\n$ex\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\r\nNOTE\r\none\r\ntwo\r\n$ex\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\r\nPATHS\r\nC:\\x\r\n$ex\r\n"), std::string::npos) << text;
  for (const char* reserved : {"\r\nUSERNAME\r\n", "\r\nPRODUCTCODE\r\n", "\r\nDATE\r\n",
                               "\r\nSUPPORTDIR\r\n", "\r\nALLUSERS\r\n"})
    EXPECT_EQ(text.find(reserved), std::string::npos) << reserved;
  EXPECT_FALSE(rig.fake.fileExists(kHandOver));
  EXPECT_EQ(installerSession(rig.engine).messages.settings.caption, "Test");
}

struct OutcomeCase {
  std::string name;
  uint32_t code;
  std::string lastInstallerError;  // sent as an error message during the installation
  std::string result;
  std::string lastError;
};

const OutcomeCase kOutcomes[] = {
    {"success", 0, "", "COMPLETE", ""},
    {"restart required", 3010, "", "REBOOT", ""},
    {"restart initiated", 1641, "", "REBOOT", ""},
    {"system text, trimmed", 1603, "ignored", "ERROR", "Fatal error during installation"},
    {"no system text: the installer's last error", 1627, "Disk full.", "ERROR", "Disk full"},
    {"a period inside stays", 1627, "Error 1.5 in file.", "ERROR", "Error 1.5 in file."},
    {"nothing at all", 1627, "", "ERROR", "General setup failure"},
};

TEST(ApplyChanges, Outcomes) {
  ApplyRig rig;
  for (const OutcomeCase& c : kOutcomes) {
    SCOPED_TRACE(c.name);
    ApplyRig test;
    test.fake.installer.installationResult = c.code;
    if (!c.lastInstallerError.empty())
      test.fake.installer.messages = {{0x01000000, c.lastInstallerError}};
    test.applyChanges("TRUE", "FALSE", {{"SILENT", "TRUE"}});
    EXPECT_EQ(test.var("RESULT"), c.result);
    EXPECT_EQ(test.var("LASTERROR"), c.lastError);
    EXPECT_EQ(test.var("REBOOTCOMPUTER"), c.result == "REBOOT" ? "TRUE" : "FALSE");
    EXPECT_FALSE(test.fake.fileExists(kHandOver));
  }
}

TEST(ApplyChanges, CancelBeforeTheInstallerStartsCallsNoInstaller) {
  ApplyRig rig;
  rig.engine.cancelRequested = true;
  rig.fake.installer.productStates[kProduct] = 2;
  // The cancel request reaches the worker on the first turn of the waiting loop: hold the
  // worker until then.
  rig.fake.installer.duringInstallation = nullptr;
  rig.applyChanges("TRUE", "FALSE");
  EXPECT_EQ(rig.var("RESULT"), "CANCEL");
  EXPECT_FALSE(rig.fake.fileExists(kHandOver));
}

TEST(ApplyChanges, CancelDuringTheInstallationAnswersTheInstallerWithCancel) {
  ApplyRig rig;
  rig.fake.installer.messages = {{0x0A000000, "1: 0 2: 1000 3: 0 4: 0"}};
  rig.fake.installer.duringInstallation = [&rig] { rig.engine.cancelRequested = true; };
  rig.fake.installer.installationResult = 1602;
  rig.applyChanges("TRUE", "FALSE");
  // The flag is read between the waiting loop's turns: the result is CANCEL however the
  // installer ended.
  EXPECT_EQ(rig.var("RESULT"), "CANCEL");
}

TEST(ApplyChanges, LogHeaderInUtf16BeforeTheInstallersLog) {
  ApplyRig rig;
  rig.applyChanges("TRUE", "FALSE", {{"LOGGED", "C:\\Logs\\Sub\\setup.log"}});
  const std::string bytes = rig.fake.readFile("C:\\Logs\\Sub\\setup.log").value_or("");
  std::string text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    ASSERT_EQ(bytes[i + 1], '\0');
    text += bytes[i];
  }
  EXPECT_TRUE(
      text.starts_with("=== Kestrix: Applying Changes @12/10/2026 10:41:00 AM ===\r\n\r\n"
                       "*** Variables ***\r\n"))
      << text;
  EXPECT_NE(text.find("\r\n\r\n*** MSI Database ***\r\nC:\\Temp\\zel1\\setup.msi\r\n\r\n"
                      "*** GUID ***\r\n" +
                      std::string(kProduct) +
                      "\r\n\r\n*** Data Directory ***\r\nC:\\Setup\\data\\\r\n\r\n"
                      "*** Media Directory ***\r\n\\Setup\\\r\n\r\n"
                      "*** MSI Directory ***\r\nC:\\Temp\\zel1\\\r\n\r\n\r\n"),
            std::string::npos)
      << text;
  EXPECT_TRUE(text.ends_with("\r\n\r\n\r\n"));
  EXPECT_EQ(rig.calls("enable log "),
            std::vector<std::string>{"enable log 0x3FDF C:\\Logs\\Sub\\setup.log 3"});
  EXPECT_EQ(rig.calls("handler "), std::vector<std::string>{"handler 0x7FDF"});
}

TEST(ApplyChanges, MaintenanceAsksForMissingSourcesUntilAFolderHoldsTheMarker) {
  ApplyRig rig;
  rig.fake.dialogWindows.folders = {"E:\\Elsewhere", "E:\\Media", "unused"};
  rig.fake.writeFile(std::string("E:\\Media\\data\\") + kProduct, "");
  rig.applyChanges("TRUE", "FALSE", {{"MAINTENANCE", "TRUE"}});
  ASSERT_EQ(rig.fake.dialogWindows.pickerTitles.size(), 2u);
  EXPECT_EQ(rig.fake.dialogWindows.pickerTitles[0],
            "Please locate your original setup sources to continue operation");
  EXPECT_NE(rig.installCall().find("SRCDIR=\"E:\\Media\\data\\\" "), std::string::npos)
      << rig.installCall();
  EXPECT_EQ(rig.var("DATADIR"), rig.engine.options.dataFolder);
}

struct SourcesCase {
  std::string name;
  std::vector<std::pair<std::string, std::string>> overrides;
  std::string install;
  bool markerPresent;
  bool asks;
};

const SourcesCase kSourcesCases[] = {
    {"first installation", {}, "TRUE", false, false},
    {"marker present", {{"MAINTENANCE", "TRUE"}}, "TRUE", true, false},
    {"maintenance removal", {{"MAINTENANCE", "TRUE"}}, "FALSE", false, false},
    {"maintenance, picker cancelled", {{"MAINTENANCE", "TRUE"}}, "TRUE", false, true},
    {"silent maintenance", {{"MAINTENANCE", "TRUE"}, {"SILENT", "TRUE"}}, "TRUE", false, false},
};

TEST(ApplyChanges, SourcesCheck) {
  ApplyRig rig;
  for (const SourcesCase& c : kSourcesCases) {
    SCOPED_TRACE(c.name);
    ApplyRig test;
    if (c.markerPresent) test.fake.writeFile(std::string("C:\\Setup\\data\\") + kProduct, "");
    test.applyChanges(c.install, c.install == "TRUE" ? "FALSE" : "TRUE", c.overrides);
    EXPECT_EQ(test.fake.dialogWindows.pickerTitles.size(), c.asks ? 1u : 0u);
    const bool gaveUp = c.asks || c.name == "silent maintenance";
    EXPECT_EQ(test.var("RESULT"), gaveUp ? "CANCEL" : "COMPLETE");
    EXPECT_EQ(
        test.var("LASTERROR"),
        gaveUp ? "Original setup sources required to complete operation, sources not found" : "");
    EXPECT_EQ(test.calls("install ").empty() && test.calls("action ").empty(), gaveUp);
  }
}

TEST(ApplyChanges, PendingRowsAndTheLanguageReachThePackageOnce) {
  ApplyRig rig;
  rig.engine.options.overrides.emplace_back("ALLUSERS", "TRUE");
  rig.run({{"Apply Changes", {"progress", "", "TRUE", "FALSE"}},
           {"Apply Changes", {"progress", "", "TRUE", "FALSE"}}});
  // MSINTEMP is recorded by each apply: written as a row each time, then cleared.
  const auto rows = rig.calls("execute INSERT");
  EXPECT_EQ(rows.size(), 2u);
  EXPECT_TRUE(rig.engine.changes.pendingRows.empty());
  ASSERT_EQ(rig.engine.changes.recordedProperties.size(), 2u);
  EXPECT_EQ(rig.engine.changes.recordedProperties[0].first, "MSINTEMP");
}

TEST(ApplyChanges, ApplyPatchRunsThePatchFromTheDataFolder) {
  ApplyRig rig;
  rig.fake.writeFile(std::string("C:\\Setup\\data\\") + kProduct, "");
  rig.runWith({{"Apply Patch", {"$PATCHED$"}}}, {{"ALLUSERS", "TRUE"}});
  EXPECT_EQ(rig.calls("source "),
            (std::vector<std::string>{
                std::string("source ") + kProduct + "||C:\\Setup\\data\\",
                std::string("source ") + kProduct + "|KESTRIX\\user|C:\\Setup\\data\\"}));
  EXPECT_EQ(rig.calls("patch "),
            std::vector<std::string>{"patch C:\\Temp\\zel1\\setup.msp|ADDLOCAL=ALL ALLUSERS=1 "
                                     "SRCDIR=C:\\Setup\\data\\ SRCDIREX=C:\\Setup\\data\\ "});
  // A patch writes no rows into the package.
  EXPECT_TRUE(rig.calls("execute").empty());
  EXPECT_EQ(rig.var("PATCHED"), "COMPLETE");
}

}  // namespace
}  // namespace kx::test
