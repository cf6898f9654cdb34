// Maintenance detection, product instances and the product registration over the fake platform.
#include <gtest/gtest.h>

#include "base/script_error.h"
#include "installer/installer_session.h"
#include "installer/product_registration.h"
#include "interpreter/interpreter.h"
#include "startup/engine_commands.h"
#include "tests/native/fake_platform.h"
#include "tests/native/script_builder.h"

namespace kx::test {
namespace {

const std::string kProduct = "{D476A5F2-B52A-464F-82D1-2B29B76326B2}";
const std::string kRevision = "{29ABEC92-7A56-44D7-8B9E-2D14BBB3995E}";
const std::string kAllUsersRoot = "C:\\Users\\Public\\Application Data\\";
const std::string kUserRoot = "C:\\Users\\user\\Application Data\\";
const std::string kAllUsersCache = kAllUsersRoot + kRevision + "\\";
const std::string kUserCache = kUserRoot + kRevision + "\\";
const std::string kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Test";
const std::string kIdentityKey = "SOFTWARE\\Orlanvik\\Kestrix\\Ident.Cache\\" + kProduct;
const std::string kEngineFolder = "C:\\Setup\\";
const Statement kMark{"Comment", {"mark"}};

// What the component subsystem was asked to do, in order.
std::vector<std::string> componentCalls;
void resetComponents(Engine&) {
  componentCalls.push_back("reset");
}
bool loadSelections(Engine&, const std::string& file) {
  componentCalls.push_back("load " + file);
  return true;
}
bool saveSelections(Engine& engine, const std::string& file) {
  componentCalls.push_back("save " + file);
  return engine.platform.files->writeFile(file, "selections");
}

CommandTable commandsWithComponentHooks() {
  CommandTable commands = engineCommands();
  commands.hooks.resetComponents = resetComponents;
  commands.hooks.loadFeatureSelections = loadSelections;
  commands.hooks.saveFeatureSelections = saveSelections;
  return commands;
}

class MaintenanceTest : public ::testing::Test {
 protected:
  MaintenanceTest() : engine(fake.platform(), commands) {
    componentCalls.clear();
    engine.options.supportFolder = "C:\\Temp\\zel1\\";
    engine.options.msiFile = "C:\\Temp\\zel1\\setup.msi";
    engine.options.dataFolder = kEngineFolder + "data\\";
    fake.writeFile(engine.options.msiFile, "run-time package");
  }

  RunResult run(const std::vector<Statement>& statements = {kMark}) {
    Script built = buildScript(statements);
    built.sourceMode = sourceMode;
    built.company = "Orlanvik";
    built.contact = "Support desk";
    built.helpLink = "http://help.example";
    built.updateLink = "http://update.example";
    built.comments = "No comment";
    built.commandHeaders = commandHeaders;
    built.rebuildIndexes();
    engine.script = std::move(built);
    return runScript(engine);
  }
  void installWithPackageCode(const std::string& packageCode) {
    fake.installer.productStates[kProduct] = installer_codes::kProductInstalled;
    fake.installer.installedPackageCodes[kProduct] = packageCode;
  }
  void runFromCache() {
    fake.writeFile(kEngineFolder + "instance.dat", kProduct + "\r\n" + kRevision + "\r\nTest\r\n");
  }
  std::string var(const std::string& name) { return engine.store.get(name); }
  std::optional<std::string> file(const std::string& path) { return fake.readFile(path); }
  std::optional<std::string> value(RegistryRoot root, const std::string& key,
                                   const std::string& name) {
    return fake.readString(root, key, name);
  }

  int32_t sourceMode = 0;
  Lines commandHeaders;
  CommandTable commands = commandsWithComponentHooks();
  FakePlatform fake;
  Engine engine;
};

struct RunModeCase {
  const char* name;
  int32_t state;  // the installer's answer for the product code
  std::optional<std::string> packageCode;
  bool fromCache;  // instance.dat beside the engine
  const char* maintenance;
  const char* needsUpgrade;
  const char* newInstance;
};

const RunModeCase kRunModes[] = {
    {"first installation", -1, std::nullopt, false, "FALSE", "FALSE", "FALSE"},
    {"first installation from a copied cache", -1, std::nullopt, true, "FALSE", "FALSE", "FALSE"},
    {"advertised only is not installed", 1, kRevision, false, "FALSE", "FALSE", "FALSE"},
    {"maintenance from the cache", 5, kRevision, true, "TRUE", "FALSE", "FALSE"},
    // The package code in other letter case is the same package.
    {"media run while installed", 5, "{29abec92-7a56-44d7-8b9e-2d14bbb3995e}", false, "TRUE",
     "FALSE", "TRUE"},
    {"upgrade from media", 5, "{11111111-7A56-44D7-8B9E-2D14BBB3995E}", false, "FALSE", "TRUE",
     "TRUE"},
    {"upgrade from a cache", 5, "{11111111-7A56-44D7-8B9E-2D14BBB3995E}", true, "FALSE", "TRUE",
     "FALSE"},
    // An unreadable package code is no upgrade; the product is still installed.
    {"package code unreadable", 5, std::nullopt, true, "TRUE", "FALSE", "FALSE"},
};

TEST_F(MaintenanceTest, RunModesFollowTheInstallerAndTheInstanceFile) {
  for (const RunModeCase& c : kRunModes) {
    SCOPED_TRACE(c.name);
    fake.installer.productStates.clear();
    fake.installer.installedPackageCodes.clear();
    fake.files.erase(upperAscii(kEngineFolder + "instance.dat"));
    componentCalls.clear();
    fake.installer.productStates[kProduct] = c.state;
    if (c.packageCode) fake.installer.installedPackageCodes[kProduct] = *c.packageCode;
    if (c.fromCache) runFromCache();

    ASSERT_TRUE(run().validation.ok());
    EXPECT_EQ(var("MAINTENANCE"), c.maintenance);
    EXPECT_EQ(var("NEEDSUPGRADE"), c.needsUpgrade);
    EXPECT_EQ(var("NEWINSTANCE"), c.newInstance);
    EXPECT_EQ(var("PRODUCTCODE"), kProduct);
    EXPECT_EQ(var("REVISIONCODE"), kRevision);
    if (var("MAINTENANCE") == "TRUE") {
      // No selections beside either root: the all-users cache is asked.
      EXPECT_EQ(componentCalls, std::vector<std::string>{"load " + kAllUsersCache + "setup.dat"});
      EXPECT_EQ(var("TARGETDIR"), "");
    } else {
      EXPECT_EQ(componentCalls, std::vector<std::string>{"reset"});
      EXPECT_EQ(var("TARGETDIR"), "C:\\Program Files\\Test\\");
      EXPECT_EQ(var("ALLUSERS"), "TRUE");
    }
  }
}

TEST_F(MaintenanceTest, MaintenanceRunStartsWithTheSavedPropertiesOfTheCacheThatHoldsSelections) {
  commandHeaders = {"H1", "0"};
  for (const bool perUser : {true, false}) {
    SCOPED_TRACE(perUser ? "per user" : "all users");
    fake.files.clear();
    fake.writeFile(engine.options.msiFile, "");
    componentCalls.clear();
    installWithPackageCode(kRevision);
    runFromCache();
    const std::string cache = perUser ? kUserCache : kAllUsersCache;
    fake.writeFile(cache + "setup.dat", "selections");
    fake.writeFile(cache + "setup.par", "AH1\r\nTRUE\r\nPH1_1\r\nC:\\App$NEWLINE$x\r\nLONE\r\n");
    // The other root's cache is not read.
    fake.writeFile((perUser ? kAllUsersCache : kUserCache) + "setup.par", "WRONG\r\n1\r\n");

    run();
    EXPECT_EQ(componentCalls, std::vector<std::string>{"load " + cache + "setup.dat"});
    // The start-of-run pass follows what the previous run recorded.
    EXPECT_EQ(
        engine.changes.recordedProperties,
        (NameValueList{
            {"AH1", "TRUE"}, {"PH1_1", "C:\\App$NEWLINE$x"}, {"LONE", ""}, {"AH1", "FALSE"}}));
  }
}

TEST_F(MaintenanceTest, InstanceFileBesideTheEngineGivesTheInstalledIdentity) {
  const std::string code = "{AAAAAAAA-0000-0000-0000-000000000001}";
  const std::string revision = "{BBBBBBBB-0000-0000-0000-000000000002}";
  fake.writeFile(kEngineFolder + "instance.dat", code + "\r\n" + revision + "\r\nTest 2\r\n");
  fake.installer.productStates[code] = installer_codes::kProductInstalled;
  fake.installer.installedPackageCodes[code] = revision;
  run();
  EXPECT_EQ(var("PRODUCTCODE"), code);
  EXPECT_EQ(var("REVISIONCODE"), revision);
  EXPECT_EQ(var("TITLE"), "Test 2");
  EXPECT_EQ(var("MAINTENANCE"), "TRUE");
  EXPECT_EQ(var("NEWINSTANCE"), "FALSE");
  EXPECT_EQ(var("UNINSTALLLINK"), kAllUsersRoot + revision + "\\setup.exe");
  // The setup's own codes stay as the script has them: its sources are marked with them.
  EXPECT_EQ(engine.script.productCode, kProduct);
}

TEST_F(MaintenanceTest, LocalCacheModeMovesTheDataFolderIntoTheProductCache) {
  for (const int32_t mode : {0, 2}) {
    SCOPED_TRACE(mode);
    sourceMode = mode;
    engine.options.dataFolder = kEngineFolder + "data\\";
    engine.options.mediaRoot.clear();
    run();
    const std::string expected = mode == 2 ? kAllUsersCache : kEngineFolder + "data\\";
    EXPECT_EQ(var("DATADIR"), expected);
    EXPECT_EQ(engine.options.dataFolder, expected);
    EXPECT_EQ(engine.options.mediaRoot, kEngineFolder + "data\\");
  }
}

struct LinkCase {
  const char* name;
  int32_t sourceMode;
  const char* allUsers;
  bool ntFamily;
  // The uninstall string written under this root, when any.
  std::optional<RegistryRoot> entryRoot;
  std::string expected;
};

const std::string kInstalledCommand = "\"D:\\Cache\\setup.exe\" REMOVE=TRUE MODIFY=FALSE";

const LinkCase kLinkCases[] = {
    {"all users", 0, "TRUE", true, std::nullopt, kAllUsersCache + "setup.exe"},
    {"per user", 0, "FALSE", true, std::nullopt, kUserCache + "setup.exe"},
    {"entry for all users", 3, "TRUE", true, RegistryRoot::LocalMachine, "D:\\Cache\\setup.exe"},
    {"entry per user", 3, "FALSE", true, RegistryRoot::CurrentUser, "D:\\Cache\\setup.exe"},
    {"entry under the other root", 3, "FALSE", true, RegistryRoot::LocalMachine, ""},
    {"no entry", 3, "TRUE", true, std::nullopt, ""},
    {"Windows 9x entries are the machine's", 3, "FALSE", false, RegistryRoot::LocalMachine,
     "D:\\Cache\\setup.exe"},
};

TEST_F(MaintenanceTest, UninstallLinkFollowsTheSourceModeAndAllUsers) {
  for (const LinkCase& c : kLinkCases) {
    SCOPED_TRACE(c.name);
    fake.registry.clear();
    fake.registryKeys.clear();
    fake.windows.ntFamily = c.ntFamily;
    sourceMode = c.sourceMode;
    if (c.entryRoot)
      fake.writeString(*c.entryRoot, kUninstallKey, "UninstallString", kInstalledCommand);
    engine.options.overrides = {{"ALLUSERS", c.allUsers}};
    run({kMark, kMark});
    EXPECT_EQ(var("UNINSTALLLINK"), c.expected);
  }
}

TEST_F(MaintenanceTest, PatchRunLoadsTheInstanceTheUninstallEntryStarts) {
  const std::string other = "{CCCCCCCC-0000-0000-0000-000000000003}";
  const std::string otherCache = kAllUsersRoot + other + "\\";
  fake.writeFile(engine.options.supportFolder + "setup.msp", "patch");
  // The per-user entry is empty, so the machine's is taken.
  fake.writeString(RegistryRoot::CurrentUser, kUninstallKey, "UninstallString", "");
  fake.writeString(RegistryRoot::LocalMachine, kUninstallKey, "UninstallString",
                   "\"" + otherCache + "setup.exe\" REMOVE=TRUE MODIFY=FALSE");
  fake.writeFile(otherCache + "setup.par", "PX_1\r\nsaved\r\n");
  run();
  EXPECT_EQ(componentCalls,
            (std::vector<std::string>{"reset", "load " + otherCache + "setup.dat"}));
  EXPECT_EQ(engine.changes.recordedProperties, (NameValueList{{"PX_1", "saved"}}));
  EXPECT_EQ(var("REVISIONCODE"), kRevision);
}

class RegistrationTest : public MaintenanceTest {
 protected:
  RegistrationTest() { resetMachine(); }
  // Nothing on the machine but the setup beside the engine and its run-time package.
  void resetMachine() {
    fake.files.clear();
    fake.folders.clear();
    fake.writeFile(engine.options.msiFile, "run-time package");
    for (const char* name : {"setup.exe", "setup.msi", "setup.res", "zel.dll", "setup.bmp"})
      fake.writeFile(kEngineFolder + name, std::string("shipped ") + name);
  }
  // Everything lying under a folder, by upper-case path.
  std::vector<std::string> filesUnder(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& [path, bytes] : fake.files)
      if (path.starts_with(upperAscii(folder))) found.push_back(path);
    return found;
  }
  void expectNoEntries() {
    for (const RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser}) {
      EXPECT_FALSE(fake.registryKeys.contains(FakePlatform::regKey(root, kUninstallKey)));
      EXPECT_FALSE(fake.registryKeys.contains(FakePlatform::regKey(root, kIdentityKey)));
    }
  }
  void writeEntries() {
    for (const RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser}) {
      fake.writeString(root, kUninstallKey, "UninstallString", kInstalledCommand);
      fake.writeString(root, kIdentityKey, "", "D:\\Cache\\");
    }
  }
};

TEST_F(RegistrationTest, InstallFillsTheCacheAndWritesTheEntries) {
  for (const bool forAllUsers : {true, false}) {
    SCOPED_TRACE(forAllUsers ? "all users" : "per user");
    fake.registry.clear();
    fake.registryKeys.clear();
    engine.options.overrides = {{"ALLUSERS", truthText(forAllUsers)}};
    run();
    componentCalls.clear();
    engine.changes.recordedProperties = {{"AH", "TRUE"}, {"PH_1", "a$NEWLINE$b"}};
    engine.run.currentLanguage = "German";
    const std::string cache = forAllUsers ? kAllUsersCache : kUserCache;
    // An earlier installation left a read-only copy and an advertised marker.
    fake.writeFile(cache + "zel.dll", "old");
    fake.readOnlyFiles.insert(upperAscii(cache + "zel.dll"));
    fake.createFolders(cache + "__ad");

    registerProduct(engine, true, false);

    for (const char* name : {"setup.exe", "setup.msi", "setup.res", "zel.dll", "setup.bmp"})
      EXPECT_EQ(file(cache + name), std::string("shipped ") + name) << name;
    EXPECT_FALSE(fake.readOnlyFiles.contains(upperAscii(cache + "zel.dll")));
    EXPECT_FALSE(fake.folderExists(cache + "__ad"));
    EXPECT_EQ(componentCalls, std::vector<std::string>{"save " + cache + "setup.dat"});
    EXPECT_EQ(file(cache + "setup.par"), "AH\r\nTRUE\r\nPH_1\r\na$NEWLINE$b\r\n");
    EXPECT_EQ(file(cache + "setup.lan"), "German\r\n");
    EXPECT_EQ(file(cache + "instance.dat"), kProduct + "\r\n" + kRevision + "\r\nTest\r\n");
    EXPECT_FALSE(file(cache + kProduct)) << "the marker belongs to local-cache mode";

    const RegistryRoot root = forAllUsers ? RegistryRoot::LocalMachine : RegistryRoot::CurrentUser;
    const std::string program = cache + "setup.exe";
    const std::pair<const char*, std::string> expected[] = {
        {"DisplayIcon", program},
        {"DisplayName", "Test"},
        {"UninstallString", "\"" + program + "\" REMOVE=TRUE MODIFY=FALSE"},
        {"ModifyPath", program},
        {"Publisher", "Orlanvik"},
        {"Contact", "Support desk"},
        {"HelpLink", "http://help.example"},
        {"URLUpdateInfo", "http://update.example"},
        {"Comments", "No comment"},
    };
    for (const auto& [name, text] : expected)
      EXPECT_EQ(value(root, kUninstallKey, name), text) << name;
    EXPECT_EQ(value(root, kIdentityKey, ""), cache);
    EXPECT_EQ(fake.registry.size(), std::size(expected) + 1) << "nothing under the other root";
  }
}

TEST_F(RegistrationTest, InstallCachesTheNewInstancePackageAndTheLocalCacheMarker) {
  sourceMode = 2;
  run();
  installerSession(engine).newInstanceWritten = true;
  fake.writeFile(kAllUsersCache + "setup.lan", "German\r\n");
  registerProduct(engine, true, false);
  EXPECT_EQ(file(kAllUsersCache + "setup.msi"), "run-time package");
  EXPECT_EQ(file(kAllUsersCache + kProduct), "");
  EXPECT_FALSE(file(kAllUsersCache + "setup.lan")) << "no language is active";
}

TEST_F(RegistrationTest, AdvertisingDeletesTheEntriesAndCopiesNothing) {
  run();
  writeEntries();
  registerProduct(engine, false, false);
  EXPECT_TRUE(fake.folders.contains(FakePlatform::folderKey(kAllUsersCache + "__ad")));
  EXPECT_TRUE(filesUnder(kAllUsersCache).empty());
  EXPECT_EQ(componentCalls, std::vector<std::string>{"reset"}) << "no selections saved";
  expectNoEntries();
}

struct RemovalCase {
  const char* name;
  bool engineRunsFromCache;
  bool earlierLeftover;  // "~0" beside the cache already
  std::string movedTo;   // empty: nothing left to move
};

const RemovalCase kRemovals[] = {
    {"from the media", false, false, ""},
    {"from the cache", true, false, kAllUsersRoot + "~0"},
    {"from the cache after an earlier removal", true, true, kAllUsersRoot + "~1"},
};

TEST_F(RegistrationTest, UninstallEmptiesTheCacheAndMovesAsideWhatIsInUse) {
  for (const RemovalCase& c : kRemovals) {
    SCOPED_TRACE(c.name);
    resetMachine();
    fake.filesInUse.clear();
    fake.deletedAtRestart.clear();
    run();
    writeEntries();
    for (const char* name : {"setup.exe", "zel.dll", "setup.par", "sub\\notes.txt"})
      fake.writeFile(kAllUsersCache + name, "cached");
    if (c.engineRunsFromCache) fake.filesInUse.insert(upperAscii(kAllUsersCache + "setup.exe"));
    if (c.earlierLeftover) fake.createFolders(kAllUsersRoot + "~0");

    registerProduct(engine, false, true);

    EXPECT_FALSE(fake.folderExists(kAllUsersCache));
    EXPECT_TRUE(filesUnder(kAllUsersCache).empty());
    expectNoEntries();
    if (c.movedTo.empty()) {
      EXPECT_TRUE(fake.deletedAtRestart.empty());
      continue;
    }
    EXPECT_EQ(filesUnder(c.movedTo),
              std::vector<std::string>{upperAscii(c.movedTo + "\\setup.exe")});
    EXPECT_EQ(
        fake.deletedAtRestart,
        (std::vector<std::string>{c.movedTo + "\\setup.exe", c.movedTo + "\\zel.dll", c.movedTo}));
  }
}

TEST_F(RegistrationTest, RefusedEntryWriteIsAScriptError) {
  for (const std::string& key : {kUninstallKey, kIdentityKey}) {
    SCOPED_TRACE(key);
    fake.refusedKeys = {FakePlatform::regKey(RegistryRoot::LocalMachine, key)};
    fake.files.erase(upperAscii(kAllUsersCache + "instance.dat"));
    run();
    EXPECT_THROW(registerProduct(engine, true, false), ScriptError);
    EXPECT_FALSE(file(kAllUsersCache + "instance.dat"));
  }
}

// Statements of a run that transforms itself into a new instance.
const std::vector<Statement> kTransform = {{"Transform Instance", {}}, kMark};

TEST_F(MaintenanceTest, TransformInstanceMakesAFirstInstallationWithNewCodes) {
  installWithPackageCode(kRevision);
  commandHeaders = {"H1", "1"};
  run(kTransform);
  const std::string product = "{00000000-0000-0000-0000-000000000001}";
  const std::string revision = "{00000000-0000-0000-0000-000000000002}";
  EXPECT_EQ(var("PRODUCTCODE"), product);
  EXPECT_EQ(var("REVISIONCODE"), revision);
  EXPECT_EQ(var("MAINTENANCE"), "FALSE");
  EXPECT_EQ(var("NEEDSUPGRADE"), "FALSE");
  EXPECT_EQ(var("NEWINSTANCE"), "FALSE");
  EXPECT_EQ(var("TARGETDIR"), "C:\\Program Files\\Test\\");
  EXPECT_EQ(var("UNINSTALLLINK"), kAllUsersRoot + revision + "\\setup.exe");
  EXPECT_TRUE(installerSession(engine).newInstanceRequested);
  EXPECT_EQ(componentCalls,
            (std::vector<std::string>{"load " + kAllUsersCache + "setup.dat", "reset"}));
  EXPECT_TRUE(engine.changes.recordedProperties.empty());
}

TEST_F(MaintenanceTest, TransformInstanceDoesNothingUnlessANewInstanceInAnOrdinaryRun) {
  for (const bool patch : {false, true}) {
    SCOPED_TRACE(patch ? "patch run" : "not a new instance");
    if (patch) {
      installWithPackageCode(kRevision);
      fake.writeFile(engine.options.supportFolder + "setup.msp", "patch");
    }
    run(kTransform);
    EXPECT_EQ(var("NEWINSTANCE"), patch ? "TRUE" : "FALSE");
    EXPECT_EQ(var("PRODUCTCODE"), kProduct);
    EXPECT_EQ(fake.guidsMade, 0);
    EXPECT_FALSE(installerSession(engine).newInstanceRequested);
  }
}

TEST_F(MaintenanceTest, IsMsiSetupInstalledAsksTheInstaller) {
  fake.installer.productStates["{A\\B}"] = installer_codes::kProductInstalled;
  fake.installer.productStates["{ADVERTISED}"] = 1;
  const std::pair<const char*, const char*> cases[] = {
      {"{A\\\\B}", "TRUE"}, {"{ADVERTISED}", "FALSE"}, {"{UNKNOWN}", "FALSE"}};
  for (const auto& [code, expected] : cases) {
    SCOPED_TRACE(code);
    ASSERT_TRUE(run({{"Is MSI Setup Installed", {code, "found"}}}).validation.ok());
    EXPECT_EQ(var("FOUND"), expected);
  }
  const RunResult unnamed = run({{"Is MSI Setup Installed", {kProduct, ""}}});
  EXPECT_EQ(unnamed.validation.message, "Variable required");
}

}  // namespace
}  // namespace kx::test
