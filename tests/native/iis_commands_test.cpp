#include <gtest/gtest.h>

#include "platform/file_web_server.h"
#include "tests/native/engine_fixture.h"

namespace kx::test {
namespace {

// "Create IIS Site" lines: name, index, address, host header, port, SSL port, time-out,
// keep-alive, logging, ASP, *.exe, unlimited, unused, maximum connections, server size.
std::vector<std::string> siteLines(std::string name, std::string index) {
  return {name,   index,   "10.0.0.1", "www.example.com", "80", "443", "120", "TRUE",
          "TRUE", "FALSE", "FALSE",    "FALSE",           "",   "50",  "1"};
}

// "Create Virtual Folder" lines 1 to 18.
std::vector<std::string> folderLines(std::string path, std::string index) {
  return {path,   "C:\\Web\\" + path, "FALSE", "TRUE", "FALSE", "FALSE", "TRUE", "FALSE", "0", "1",
          "TRUE", "default.htm",      "",      "TRUE", "FALSE", "FALSE", "",     index};
}

class IisTest : public EngineTest {
 protected:
  IisTest() {
    fake.webServer.installed = true;
    fake.webServer.anonymousUser = "IUSR_BUILD";
  }
  // Adds a site as a server file would hold it.
  void addSite(const std::string& index, const std::string& comment,
               const std::string& state = "4") {
    StoredWebObject& site = fake.webServer.objects[index];
    site.className = "IIsWebServer";
    site.properties["ServerComment"] = comment;
    site.properties["ServerState"] = state;
  }
  // A stored property; "<none>" when the object or the property is missing.
  std::string stored(const std::string& path, const std::string& name) {
    const auto object = fake.webServer.objects.find(path);
    if (object == fake.webServer.objects.end()) return "<none>";
    const auto found = object->second.properties.find(name);
    return found == object->second.properties.end() ? "<none>" : found->second;
  }
  void runNormally(const std::vector<Statement>& statements) {
    ASSERT_EQ(run(statements).end, RunEnd::Normal);
    EXPECT_TRUE(fake.boxes.empty());
  }
};

TEST_F(IisTest, ASiteWithoutAnIndexTakesTheFirstFreeOne) {
  addSite("1", "One");
  addSite("3", "Three");
  std::vector<std::string> lines = siteLines("Shop", "");
  lines[9] = "TRUE";   // ASP
  lines[11] = "TRUE";  // unlimited connections
  lines[13] = "not read";
  runNormally({{"Create IIS Site", lines}});
  EXPECT_EQ(stored("2", "ServerComment"), "Shop");
  EXPECT_EQ(stored("2", "ServerBindings"), "10.0.0.1:80:www.example.com");
  EXPECT_EQ(stored("2", "SecureBindings"), "10.0.0.1:443:www.example.com");
  EXPECT_EQ(stored("2", "ConnectionTimeout"), "120");
  EXPECT_EQ(stored("2", "AllowKeepAlive"), "True");
  EXPECT_EQ(stored("2", "LogType"), "1");
  EXPECT_EQ(stored("2", "DontLog"), "False");
  EXPECT_EQ(stored("2", "MaxConnections"), "-1");
  EXPECT_EQ(stored("2", "ServerSize"), "1");
  EXPECT_EQ(stored("", "EnabledWebServiceExtensions"), "ASP");
  EXPECT_EQ(stored("", "EnabledExtensionFiles"), "<none>");
  EXPECT_EQ(stored("3", "ServerComment"), "Three");
}

TEST_F(IisTest, AnExistingIndexIsUpdated) {
  addSite("1", "Old");
  fake.webServer.objects["1"].properties["DontLog"] = "True";
  std::vector<std::string> lines = siteLines("New", "1");
  lines[7] = "FALSE";  // keep-alive
  lines[8] = "FALSE";  // logging
  lines[10] = "TRUE";  // *.exe
  runNormally({{"Create IIS Site", lines}});
  EXPECT_EQ(fake.webServer.objects.size(), 2u);  // the web service and the one site
  EXPECT_EQ(stored("1", "ServerComment"), "New");
  EXPECT_EQ(stored("1", "AllowKeepAlive"), "False");
  EXPECT_EQ(stored("1", "LogType"), "0");
  EXPECT_EQ(stored("1", "DontLog"), "True");  // logging off leaves it alone
  EXPECT_EQ(stored("1", "MaxConnections"), "50");
  EXPECT_EQ(stored("1", "ServerState"), "4");
  EXPECT_EQ(stored("", "EnabledExtensionFiles"), "*.exe");
  EXPECT_EQ(stored("", "EnabledWebServiceExtensions"), "<none>");
}

TEST_F(IisTest, AParameterThatIsNoWholeNumberDoesNothing) {
  addSite("1", "One", "2");
  fake.webServer.objects["1/Root"].className = "IIsWebVirtualDir";
  auto badSite = [](size_t line) {
    std::vector<std::string> lines = siteLines("Shop", "5");
    lines[line - 1] = "many";
    return lines;
  };
  auto badFolder = [](size_t line) {
    std::vector<std::string> lines = folderLines("docs", "1");
    lines[line - 1] = "1.5";
    return lines;
  };
  const std::vector<Statement> cases[] = {
      {{"Create IIS Site", badSite(7)}},
      {{"Create IIS Site", badSite(14)}},
      {{"Create IIS Site", badSite(15)}},
      {{"Create Virtual Folder", badFolder(9)}},
      {{"Create Virtual Folder", badFolder(10)}},
      {{"Create Virtual Folder", badFolder(18)}},
      {{"Delete IIS Site", {"one"}}},
      {{"Delete Virtual Folder", {"one", ""}}},
      {{"Control IIS Site", {"one", "1"}}},
      {{"Control IIS Site", {"1", "stop"}}},
      {{"Control IIS Site", {"1", "4"}}},
      {{"Set IIS Property", {"TRUE", "", "one", "", "ServerComment", "x"}}},
      {{"Set Variable", {"P", "before"}},
       {"Get IIS Property", {"TRUE", "", "one", "", "ServerComment", "P"}}},
  };
  const FileWebServer before = fake.webServer;
  for (const auto& statements : cases) {
    runNormally(statements);
    EXPECT_TRUE(fake.webServer == before) << statements.back().command;
  }
  EXPECT_EQ(var("P"), "before");
}

TEST_F(IisTest, FoldersOfTheSiteRootAndBelow) {
  addSite("1", "One");
  std::vector<std::string> docs = folderLines("docs", "1");
  docs[2] = "TRUE";                      // script source
  docs[8] = "2";                         // medium protection
  docs[9] = "2";                         // scripts and executables
  docs[12] = "foot.htm";                 // footer
  docs[16] = "htm=text/html,log,a=b=c";  // MIME map
  runNormally({{"Create Virtual Folder", folderLines("", "1")}, {"Create Virtual Folder", docs}});

  EXPECT_EQ(stored("1/Root", "Path"), "C:\\Web\\");
  EXPECT_EQ(stored("1/Root", "AccessRead"), "True");
  EXPECT_EQ(stored("1/Root", "DontLog"), "False");
  EXPECT_EQ(stored("1/Root", "AccessScript"), "True");
  EXPECT_EQ(stored("1/Root", "AccessExecute"), "False");
  EXPECT_EQ(stored("1/Root", "EnableDocFooter"), "False");
  EXPECT_EQ(stored("1/Root", "AppIsolated"), "<none>");
  EXPECT_EQ(stored("1/Root", "DefaultDoc"), "default.htm");

  EXPECT_EQ(stored("1/Root/docs", "Path"), "C:\\Web\\docs");
  EXPECT_EQ(stored("1/Root/docs", "AccessSource"), "True");
  EXPECT_EQ(stored("1/Root/docs", "AppIsolated"), "2");
  EXPECT_EQ(stored("1/Root/docs", "AppFriendlyName"), "docs");
  EXPECT_EQ(stored("1/Root/docs", "AccessExecute"), "True");
  EXPECT_EQ(stored("1/Root/docs", "EnableDocFooter"), "True");
  EXPECT_EQ(stored("1/Root/docs", "DefaultDocFooter"), "foot.htm");
  EXPECT_EQ(stored("1/Root/docs", "AuthAnonymous"), "True");
  EXPECT_EQ(stored("1/Root/docs", "AuthNTLM"), "False");
  const std::vector<MimeMapEntry> mime = {{"htm", "text/html"}, {"log", ""}, {"a", "b=c"}};
  EXPECT_EQ(fake.webServer.objects["1/Root/docs"].mimeMap, mime);
  EXPECT_TRUE(fake.webServer.objects["1/Root"].mimeMap.empty());
}

TEST_F(IisTest, ApplicationProtectionAndExecutePermissions) {
  struct Case {
    std::string protection, execution;
    std::string isolated, script, execute;
  };
  const Case cases[] = {
      {"0", "0", "<none>", "False", "False"},  {"1", "1", "0", "True", "False"},
      {"2", "2", "2", "True", "True"},         {"3", "3", "1", "True", "True"},
      {"4", "-1", "<none>", "False", "False"},
  };
  for (const Case& c : cases) {
    fake.webServer.objects.erase("1/Root/app");
    addSite("1", "One");
    std::vector<std::string> lines = folderLines("app", "1");
    lines[8] = c.protection;
    lines[9] = c.execution;
    runNormally({{"Create Virtual Folder", lines}});
    EXPECT_EQ(stored("1/Root/app", "AppIsolated"), c.isolated) << c.protection;
    EXPECT_EQ(stored("1/Root/app", "AccessScript"), c.script) << c.execution;
    EXPECT_EQ(stored("1/Root/app", "AccessExecute"), c.execute) << c.execution;
  }
}

TEST_F(IisTest, MimeItemsAreAddedToTheEntriesThere) {
  addSite("1", "One");
  fake.webServer.objects["1/Root"] = {"IIsWebVirtualDir", {}, {{".old", "x/old"}}};
  std::vector<std::string> lines = folderLines("", "1");
  lines[16] = ".new=x/new";
  runNormally({{"Create Virtual Folder", lines}, {"Create Virtual Folder", lines}});
  const std::vector<MimeMapEntry> mime = {{".old", "x/old"}, {".new", "x/new"}, {".new", "x/new"}};
  EXPECT_EQ(fake.webServer.objects["1/Root"].mimeMap, mime);
}

TEST_F(IisTest, AFolderOfAMissingSiteIsNotCreated) {
  runNormally({{"Create Virtual Folder", folderLines("docs", "7")}});
  EXPECT_EQ(fake.webServer.objects.size(), 1u);
}

TEST_F(IisTest, SiteIndexByDisplayName) {
  addSite("4", "Shop");
  addSite("2", "Blog");
  addSite("3", "Shop");
  fake.webServer.objects["5"] = {"IIsFtpServer", {{"ServerComment", "Files"}}, {}};
  runNormally({{"Get IIS Site Index", {"Shop", "$FIRST$"}},
               {"Get IIS Site Index", {"Files", "other"}},
               {"Get IIS Site Index", {"shop", "case"}},
               {"Get IIS Site Index", {"Nobody", "none"}}});
  EXPECT_EQ(var("FIRST"), "3");
  EXPECT_EQ(var("OTHER"), "0");
  EXPECT_EQ(var("CASE"), "0");
  EXPECT_EQ(var("NONE"), "0");
}

TEST_F(IisTest, ControlStartsFirstForPauseAndContinue) {
  struct Case {
    std::string before, action, after;
  };
  const Case cases[] = {
      {"4", "0", "2"}, {"2", "1", "4"}, {"4", "2", "6"}, {"6", "2", "6"},
      {"4", "3", "2"}, {"6", "3", "2"}, {"6", "1", "4"},
  };
  for (const Case& c : cases) {
    addSite("1", "One", c.before);
    runNormally({{"Control IIS Site", {"1", c.action}}});
    EXPECT_EQ(stored("1", "ServerState"), c.after) << c.before << " " << c.action;
  }
  runNormally({{"Control IIS Site", {"9", "0"}}});
  EXPECT_FALSE(fake.webServer.objects.contains("9"));
}

TEST_F(IisTest, PropertiesOfSitesAndFolders) {
  addSite("1", "One");
  fake.webServer.objects["1/Root/docs"] = {"IIsWebVirtualDir", {{"Path", "C:\\Docs"}}, {}};
  runNormally({{"Set IIS Property", {"TRUE", "", "1", "", "ServerComment", "Renamed"}},
               {"Set IIS Property", {"FALSE", "", "1", "docs", "Path", "D:\\Docs"}},
               {"Set IIS Property", {"FALSE", "", "1", "gone", "Path", "E:\\"}},
               {"Get IIS Property", {"TRUE", "", "1", "ignored", "ServerComment", "site"}},
               {"Get IIS Property", {"FALSE", "", "1", "docs", "Path", "$FOLDER$"}},
               {"Get IIS Property", {"FALSE", "", "1", "gone", "Path", "missingfolder"}},
               {"Get IIS Property", {"TRUE", "", "2", "", "ServerComment", "missingsite"}},
               {"Get IIS Property", {"TRUE", "", "1", "", "NoSuchName", "missingname"}}});
  EXPECT_EQ(var("SITE"), "Renamed");
  EXPECT_EQ(var("FOLDER"), "D:\\Docs");
  EXPECT_EQ(var("MISSINGFOLDER"), "!ERROR!");
  EXPECT_EQ(var("MISSINGSITE"), "!ERROR!");
  EXPECT_EQ(var("MISSINGNAME"), "!ERROR!");
  EXPECT_FALSE(fake.webServer.objects.contains("1/Root/gone"));
}

TEST_F(IisTest, DeletingSitesAndFolders) {
  addSite("1", "One");
  addSite("2", "Two");
  fake.webServer.objects["1/Root"].className = "IIsWebVirtualDir";
  fake.webServer.objects["1/Root/docs"].className = "IIsWebVirtualDir";
  fake.webServer.objects["2/Root"].className = "IIsWebVirtualDir";
  fake.webServer.objects["2/Root/docs"].className = "IIsWebVirtualDir";
  runNormally({{"Delete IIS Site", {"1"}}, {"Delete Virtual Folder", {"2", "docs"}}});
  std::vector<std::string> left;
  for (const auto& [path, object] : fake.webServer.objects) left.push_back(path);
  EXPECT_EQ(left, (std::vector<std::string>{"", "2", "2/Root"}));
  runNormally({{"Delete Virtual Folder", {"2", ""}}});
  EXPECT_FALSE(fake.webServer.objects.contains("2/Root"));
}

TEST_F(IisTest, TheAnonymousUserComesFromAPassingSite) {
  addSite("1", "One");
  const FileWebServer before = fake.webServer;
  runNormally({{"IIS Anonymous User", {"USER"}}, {"Get System Settings", {"SETTING", "59"}}});
  EXPECT_EQ(var("USER"), "IUSR_BUILD");
  EXPECT_EQ(var("SETTING"), "IUSR_BUILD");
  EXPECT_TRUE(fake.webServer == before);
}

TEST_F(IisTest, WithoutAWebServerEveryCommandEndsSilently) {
  fake.webServer.installed = false;
  runNormally({{"Create IIS Site", siteLines("Shop", "")},
               {"Create Virtual Folder", folderLines("docs", "1")},
               {"Control IIS Site", {"1", "2"}},
               {"Set IIS Property", {"TRUE", "", "1", "", "ServerComment", "x"}},
               {"Delete Virtual Folder", {"1", "docs"}},
               {"Delete IIS Site", {"1"}},
               {"Get IIS Property", {"TRUE", "", "1", "", "ServerComment", "PROPERTY"}},
               {"Get IIS Site Index", {"Shop", "INDEX"}},
               {"IIS Anonymous User", {"USER"}},
               {"Get System Settings", {"SETTING", "59"}}});
  EXPECT_EQ(var("PROPERTY"), "!ERROR!");
  EXPECT_EQ(var("INDEX"), "0");
  EXPECT_EQ(var("USER"), "");
  EXPECT_EQ(var("SETTING"), "");
  EXPECT_EQ(fake.webServer.objects.size(), 1u);
}

TEST_F(IisTest, TranslatedLinesWhileALanguageIsSet) {
  addSite("1", "One");
  addSite("3", "Dokumente");
  fake.writeFile(engine.options.supportFolder + "Test.mtx", statementIdFor(1) + "\r\n");
  fake.writeFile(engine.options.supportFolder + "translations.Map", "1\r\n");
  fake.writeFile(engine.options.supportFolder + "translations.German",
                 joinLines({"Dokumente", "start.htm", "fuss.htm"}));
  engine.options.overrides.emplace_back("LANGUAGE", "German");
  std::vector<std::string> lines = folderLines("docs", "1");
  lines[12] = "foot.htm";
  runNormally({{"Create Virtual Folder", lines}});
  EXPECT_EQ(stored("1/Root/Dokumente", "AppFriendlyName"), "<none>");  // protection 0
  EXPECT_EQ(stored("1/Root/Dokumente", "DefaultDoc"), "start.htm");
  EXPECT_EQ(stored("1/Root/Dokumente", "DefaultDocFooter"), "fuss.htm");
  EXPECT_EQ(stored("1/Root/Dokumente", "Path"), "C:\\Web\\docs");  // not translated
  EXPECT_FALSE(fake.webServer.objects.contains("1/Root/docs"));
  runNormally({{"Get IIS Site Index", {"Shop", "INDEX"}}});
  EXPECT_EQ(var("INDEX"), "3");
}

// ---- The web server file
// -------------------------------------------------------------------------

TEST(WebServerFileTest, WritesWhatItReadsBack) {
  FileWebServer server;
  server.installed = true;
  server.anonymousUser = "IUSR_A\tB";
  server.objects["1"] = {"IIsWebServer", {{"ServerComment", "line\none\\two\r"}}, {}};
  server.objects["1/Root/a b"] = {
      "IIsWebVirtualDir", {{"Path", "C:\\x"}}, {{".a", ""}, {"", "t/b"}}};
  const std::string text = writeWebServerFile(server);
  EXPECT_EQ(text.substr(0, text.find('\n')), "Kestrix web server 1");
  FileWebServer read;
  ASSERT_EQ(readWebServerFile(text, read), "");
  EXPECT_TRUE(read == server);
  EXPECT_EQ(writeWebServerFile(read), text);
}

TEST(WebServerFileTest, ACorruptFileIsRefusedWithItsLine) {
  const std::string header = "Kestrix web server 1\n";
  const std::pair<std::string, std::string> cases[] = {
      {"", "line 1: not a web server file"},
      {"Kestrix web server 2\n", "line 1: not a web server file"},
      {header + "property\tA\tB\n", "line 2: property before the first object"},
      {header + "\nmime\t.a\tb\n", "line 3: mime before the first object"},
      {header + "object\tx\tIIsWebServer\n", "line 2: not an object path: x"},
      {header + "object\t1//a\tC\n", "line 2: not an object path: 1//a"},
      {header + "object\t1/\tC\n", "line 2: not an object path: 1/"},
      {header + "object\t1\t\n", "line 2: an object without a class"},
      {header + "object\t1\tC\nobject\t1\tC\n", "line 3: a second object 1"},
      {header + "object\t1\tC\nproperty\ta\t1\nproperty\tA\t2\n",
       "line 4: an empty or repeated property name"},
      {header + "object\t1\tC\nproperty\ta\n", "line 3: not a record of a web server file"},
      {header + "object\t1\tC\\q\n", "line 2: a backslash that starts no escape"},
      {header + "object\t1\tC\\\n", "line 2: a backslash that starts no escape"},
      {header + "site\t1\n", "line 2: not a record of a web server file"},
  };
  for (const auto& [text, error] : cases) {
    FileWebServer server;
    server.anonymousUser = "kept";
    EXPECT_EQ(readWebServerFile(text, server), error) << text;
    EXPECT_FALSE(server.installed);
    EXPECT_EQ(server.anonymousUser, "kept");
  }
}

}  // namespace
}  // namespace kx::test
