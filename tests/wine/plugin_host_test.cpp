// Plug-in statements run by the engine with real libraries: our test plug-in and
// RX_BundleFiles.dll, loaded and called by the Windows plug-in host.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "base/comma_text.h"
#include "interpreter/interpreter.h"
#include "platform/win32/win32_platform.h"
#include "plugins/plugin_host.h"
#include "startup/engine_commands.h"
#include "tests/native/script_builder.h"

namespace kx {
namespace {

namespace fs = std::filesystem;

// Message boxes are recorded instead of shown; window messages are the real ones.
class RecordingUi : public UserInterface {
 public:
  explicit RecordingUi(Win32UserInterface& windows) : windows_(windows) {}
  std::vector<MessageBoxRequest> boxes;
  std::function<void()> onMessage;

  MessageAnswer messageBox(const MessageBoxRequest& request) override {
    boxes.push_back(request);
    return MessageAnswer::Ok;
  }
  void processPendingMessages() override { windows_.processPendingMessages(); }
  void handleOneMessage() override {
    windows_.handleOneMessage();
    ++messagesHandled;
    if (onMessage) onMessage();
  }
  int messagesHandled = 0;

 private:
  Win32UserInterface& windows_;
};

fs::path programFolder() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return fs::path(std::string(path, length)).parent_path();
}

std::string readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeAll(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

class WinePluginTest : public ::testing::Test {
 protected:
  WinePluginTest() : ui(windows.ui), engine(platform(), engineCommands()) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    root = fs::path(temp) /
           ("kxplugin" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter));
    fs::remove_all(root);
    support = root / "zel1";
    fs::create_directories(support);
    writeAll(support / "setup.msi", "");
    fs::copy_file(programFolder() / "kx_test_plugin.dll", support / "kx_test_plugin.dll");
    fs::copy_file(programFolder() / ".." / "bundlefiles" / "RX_BundleFiles.dll",
                  support / "RX_BundleFiles.dll");
    engine.options.supportFolder = support.string() + "\\";
    engine.options.msiFile = (support / "setup.msi").string();
  }
  ~WinePluginTest() override {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }

  Platform platform() {
    Platform p = windows.platform();
    p.ui = &ui;
    return p;
  }

  // Runs a comment, the plug-in statements and another comment; the statement numbers run.
  std::vector<size_t> run(const std::vector<test::Statement>& plugins) {
    std::vector<test::Statement> statements = {{"Comment", {"before"}}};
    statements.insert(statements.end(), plugins.begin(), plugins.end());
    statements.push_back({"Comment", {"after"}});
    engine.script = test::buildScript(statements);
    engine.script.plugins = {"Test Plugin", "Bundle Files"};
    std::vector<size_t> trace;
    engine.traceStatement = [&](const Engine& e) { trace.push_back(e.run.position); };
    EXPECT_EQ(runScript(engine).end, RunEnd::Normal);
    return trace;
  }
  static test::Statement testPlugin(const std::string& mode) {
    return {"Test Plugin", {"Mode=" + mode, "Plugins\\kx_test_plugin.dll"}};
  }
  std::string var(const std::string& name) {
    return engine.store.isDefined(name) ? engine.store.get(name) : "<undefined>";
  }

  static inline int counter = 0;
  fs::path root;
  fs::path support;
  Win32Platform windows;
  RecordingUi ui;
  Engine engine;
};

TEST_F(WinePluginTest, AppendedVariableCrossesQuotedAndTheRunGoesOn) {
  EXPECT_EQ(run({testPlugin("append")}), (std::vector<size_t>{1, 2, 3}));
  EXPECT_EQ(var("PLUGINVAR"), "a \"quoted\", value");
  EXPECT_EQ(var("SUPPORTDIR"), engine.options.supportFolder);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(WinePluginTest, PluginGetsParametersUnexpandedAndTheOwnerWindow) {
  run({{"Test Plugin", {"Mode=echo,Path=$SUPPORTDIR$", "kx_test_plugin.dll"}}});
  EXPECT_EQ(var("PARAMETERS"), "Mode=echo,Path=$SUPPORTDIR$");
  EXPECT_EQ(var("OWNER"), "0");
}

TEST_F(WinePluginTest, FailuresAndFaultsLeaveEveryVariable) {
  for (const char* mode :
       {"fail", "crash1", "divide1", "overflow1", "raise1", "throw1", "crash2"}) {
    engine.options.overrides = {{"MARKER", "kept, as it was"}};
    EXPECT_EQ(run({testPlugin(mode), testPlugin("append")}), (std::vector<size_t>{1, 2, 3, 4}))
        << mode;
    EXPECT_EQ(var("MARKER"), "kept, as it was") << mode;
    EXPECT_EQ(var("SUPPORTDIR"), engine.options.supportFolder) << mode;
    // The next plug-in statement still works.
    EXPECT_EQ(var("PLUGINVAR"), "a \"quoted\", value") << mode;
    EXPECT_TRUE(ui.boxes.empty()) << mode;
  }
}

TEST_F(WinePluginTest, StoreHoldingANulOrAnyOtherByteComesThroughAFailedCallWhole) {
  std::string every;
  for (int code = 1; code <= 255; ++code) every += static_cast<char>(code);
  for (const char* mode : {"crash2", "fail", "append"}) {
    engine.options.overrides = {{"EVERY", every}};
    // Mathematics code 12 with A = 0 gives a value that is one NUL byte.
    run({{"Mathematics", {"0", "0", "12", "NUL"}},
         {"Set Variable", {"AFTER", "z"}},
         testPlugin(mode)});
    EXPECT_EQ(var("NUL"), std::string(1, '\0')) << mode;
    EXPECT_EQ(var("AFTER"), "z") << mode;
    EXPECT_EQ(var("EVERY"), every) << mode;
    // The plug-in would have seen the list only up to the NUL: it is not called.
    EXPECT_EQ(var("PLUGINVAR"), "<undefined>") << mode;
    EXPECT_TRUE(ui.boxes.empty()) << mode;
  }
}

TEST_F(WinePluginTest, FaultInTheSecondCallKeepsEveryByte) {
  std::string every;
  for (int code = 1; code <= 255; ++code) every += static_cast<char>(code);
  engine.options.overrides = {{"EVERY", every}, {every.substr(33), "a name of odd bytes"}};
  run({testPlugin("crash2"), testPlugin("append")});
  EXPECT_EQ(var("EVERY"), every);
  EXPECT_EQ(var(every.substr(33)), "a name of odd bytes");
  EXPECT_EQ(var("PLUGINVAR"), "a \"quoted\", value");
}

TEST_F(WinePluginTest, EmptyResultEmptiesTheStore) {
  engine.script = test::buildScript({{"Comment", {"x"}}, testPlugin("empty")});
  engine.script.plugins = {"Test Plugin"};
  EXPECT_EQ(runScript(engine).end, RunEnd::Normal);
  EXPECT_EQ(engine.store.exportList(), "");
}

TEST_F(WinePluginTest, MissingLibraryShowsTheMessageAndIsSkipped) {
  EXPECT_EQ(run({{"Test Plugin", {"Mode=append", "Plugins\\absent.dll"}}}),
            (std::vector<size_t>{1, 2, 3}));
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, kPluginMissingMessage);
  EXPECT_EQ(var("PLUGINVAR"), "<undefined>");
}

TEST_F(WinePluginTest, ProgressReachesTheEngineAndCancelStopsThePlugin) {
  // The dialog's timer keeps messages coming while the plug-in works.
  const UINT_PTR timer = SetTimer(nullptr, 0, 10, nullptr);
  std::vector<int64_t> positions;
  ui.onMessage = [&] {
    std::lock_guard guard(engine.generalLock);
    if (engine.progress.text == "Working") positions.push_back(engine.progress.position);
    if (positions.size() >= 3) engine.cancelRequested = true;
  };
  run({testPlugin("progress")});
  KillTimer(nullptr, timer);
  EXPECT_EQ(var("CANCELLED"), "TRUE");
  EXPECT_GE(positions.size(), 3u);
  EXPECT_NE(var("STEPS"), "0");
  EXPECT_FALSE(engine.longOperation);
}

TEST_F(WinePluginTest, SilentRunWaitsWithoutMessages) {
  engine.options.silent = true;
  run({testPlugin("append")});
  EXPECT_EQ(var("PLUGINVAR"), "a \"quoted\", value");
  EXPECT_EQ(ui.messagesHandled, 0);
}

// Bundle Files: a bundle beside the library, copied into a target under the test's folder.
class WineBundleTest : public WinePluginTest {
 protected:
  WineBundleTest() {
    writeBundle();
    target = root / "target";
    engine.options.overrides = {
        {"APPROOT", "$TARGETDIR$\\App"}, {"TARGETDIR", target.string()}, {"RESULT", "unset"}};
  }
  static test::Statement bundle(const std::string& targetPath = "$APPROOT$\\Bundle",
                                const std::string& sourceFiles = "files\\*.*",
                                const std::string& returnVar = "RESULT") {
    const std::string parameters =
        writeCommaText({"SourceFiles=" + sourceFiles, "SourceID=B1", "DoSubFolders=True",
                        "TargetPath=" + targetPath, "ReturnVar=" + returnVar});
    return {"Bundle Files", {parameters, "Plugins\\RX_BundleFiles.dll"}};
  }
  void writeBundle() {
    writeAll(support / "manifest-B1.txt",
             "Files\\*.*\r\na.txt=a.txt\r\nsub\\b.txt=docs\\b.txt\r\n");
    writeAll(support / "a.txt", "alpha");
    writeAll(support / "sub" / "b.txt", "beta");
  }
  fs::path target;
};

TEST_F(WineBundleTest, CopiesIntoTheNestedTargetCreatingSubFoldersAndOverwriting) {
  writeAll(target / "App" / "Bundle" / "a.txt", "old text, longer than the new one");
  EXPECT_EQ(run({bundle()}), (std::vector<size_t>{1, 2, 3}));
  EXPECT_EQ(var("RESULT"), "SUCCESS");
  EXPECT_EQ(readAll(target / "App" / "Bundle" / "a.txt"), "alpha");
  EXPECT_EQ(readAll(target / "App" / "Bundle" / "docs" / "b.txt"), "beta");
  EXPECT_EQ(var("APPROOT"), "$TARGETDIR$\\App");
}

TEST_F(WineBundleTest, FirstLineOnlyManifestCopiesNothing) {
  writeAll(support / "manifest-B1.txt", "FILES\\*.*");
  run({bundle()});
  EXPECT_EQ(var("RESULT"), "SUCCESS");
  EXPECT_FALSE(fs::exists(target / "App"));
}

TEST_F(WineBundleTest, EmptyReturnVarLeavesTheOutcomeUnwritten) {
  run({bundle("$APPROOT$\\Bundle", "files\\*.*", "")});
  EXPECT_EQ(var("RESULT"), "unset");
  EXPECT_EQ(readAll(target / "App" / "Bundle" / "a.txt"), "alpha");
}

struct BundleFailure {
  std::string name;  // for the box test: the message shown
  std::function<void(const fs::path& support)> arrange;
  std::string sourceFiles;
};

TEST_F(WineBundleTest, FailuresInASilentRunReturnErrorWithoutAWindow) {
  const BundleFailure failures[] = {
      {"manifest missing", [](const fs::path& s) { fs::remove(s / "manifest-B1.txt"); },
       "files\\*.*"},
      {"manifest empty", [](const fs::path& s) { writeAll(s / "manifest-B1.txt", ""); },
       "files\\*.*"},
      {"other bundle", [](const fs::path&) {}, "other\\*.*"},
      {"source missing", [](const fs::path& s) { fs::remove(s / "sub" / "b.txt"); }, "files\\*.*"},
      {"line leaving the target",
       [](const fs::path& s) {
         writeAll(s / "manifest-B1.txt", "Files\\*.*\r\na.txt=..\\..\\a.txt");
       },
       "files\\*.*"},
  };
  engine.options.silent = true;
  for (const auto& failure : failures) {
    writeBundle();
    failure.arrange(support);
    const DWORD started = GetTickCount();
    run({bundle("$APPROOT$\\Bundle", failure.sourceFiles)});
    EXPECT_EQ(var("RESULT"), "ERROR") << failure.name;
    EXPECT_LT(GetTickCount() - started, 10000u) << failure.name;
    EXPECT_FALSE(fs::exists(target / "a.txt")) << failure.name;
  }
}

TEST_F(WineBundleTest, UndefinedReturnVarLeavesEveryVariable) {
  engine.options.silent = true;
  run({bundle("$APPROOT$\\Bundle", "files\\*.*", "NOSUCH")});
  EXPECT_EQ(var("RESULT"), "unset");
  EXPECT_EQ(var("NOSUCH"), "<undefined>");
}

// Reads and closes the message boxes this process shows, as the user would press OK.
class MessageBoxReader {
 public:
  struct Box {
    std::string caption;
    std::string text;
  };
  MessageBoxReader() : thread_([this] { watch(); }) {}
  ~MessageBoxReader() {
    stop_ = true;
    thread_.join();
  }
  std::vector<Box> boxes() {
    std::lock_guard guard(lock_);
    return boxes_;
  }

 private:
  void watch() {
    while (!stop_) {
      EnumWindows(&MessageBoxReader::visit, reinterpret_cast<LPARAM>(this));
      Sleep(20);
    }
  }
  static BOOL CALLBACK visit(HWND window, LPARAM self) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (process != GetCurrentProcessId() || std::string(className) != "#32770" ||
        !IsWindowVisible(window))
      return TRUE;
    auto* reader = reinterpret_cast<MessageBoxReader*>(self);
    char caption[256] = {};
    char text[2048] = {};
    GetWindowTextA(window, caption, sizeof caption);
    GetDlgItemTextA(window, 0xFFFF, text, sizeof text);  // the box's text control
    {
      std::lock_guard guard(reader->lock_);
      reader->boxes_.push_back({caption, text});
    }
    SendMessageA(window, WM_COMMAND, IDOK, 0);
    return TRUE;
  }

  std::atomic<bool> stop_ = false;
  std::mutex lock_;
  std::vector<Box> boxes_;
  std::thread thread_;
};

// Needs a display: tests/wine/bundle_message_boxes.sh runs it under Xvfb.
TEST_F(WineBundleTest, EachFailureShowsItsMessageBox) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
  const std::string manifest = (support / "manifest-B1.txt").string();
  const BundleFailure failures[] = {
      {"Bundle Files: manifest file does not exist: " + manifest,
       [](const fs::path& s) { fs::remove(s / "manifest-B1.txt"); }, "files\\*.*"},
      {"Bundle Files: Manifest file is empty.",
       [](const fs::path& s) { writeAll(s / "manifest-B1.txt", ""); }, "files\\*.*"},
      {"Bundle Files: internal error with manifest file", [](const fs::path&) {}, "other\\*.*"},
      {"System Error.  Code: 2.\r\n", [](const fs::path& s) { fs::remove(s / "sub" / "b.txt"); },
       "files\\*.*"},
  };
  for (const auto& failure : failures) {
    writeBundle();
    failure.arrange(support);
    MessageBoxReader reader;
    run({bundle("$APPROOT$\\Bundle", failure.sourceFiles)});
    EXPECT_EQ(var("RESULT"), "ERROR") << failure.name;
    const auto boxes = reader.boxes();
    ASSERT_EQ(boxes.size(), 1u) << failure.name;
    // The system's own text follows a copy failure's code.
    if (failure.name.ends_with("\r\n")) {
      EXPECT_TRUE(boxes[0].text.starts_with(failure.name)) << boxes[0].text;
      EXPECT_GT(boxes[0].text.size(), failure.name.size());
    } else {
      EXPECT_EQ(boxes[0].text, failure.name);
    }
    EXPECT_EQ(boxes[0].caption, "Error");
  }
}

TEST_F(WineBundleTest, BadDoSubFoldersShowsItsBoxAndLeavesTheVariables) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
  MessageBoxReader reader;
  test::Statement statement = bundle();
  statement.parameters[0] =
      "SourceFiles=files\\*.*,SourceID=B1,DoSubFolders=maybe,ReturnVar=RESULT";
  run({statement});
  EXPECT_EQ(var("RESULT"), "unset");
  const auto boxes = reader.boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "'maybe' is not a valid boolean value");
}

TEST_F(WineBundleTest, UnreadableManifestShowsTheSystemText) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
  const std::string manifest = (support / "manifest-B1.txt").string();
  // Held open without sharing: the manifest exists but cannot be opened.
  HANDLE locked = CreateFileA(manifest.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(locked, INVALID_HANDLE_VALUE);
  MessageBoxReader reader;
  run({bundle()});
  CloseHandle(locked);
  EXPECT_EQ(var("RESULT"), "ERROR");
  const auto boxes = reader.boxes();
  ASSERT_EQ(boxes.size(), 1u);
  const std::string expected = "Cannot open file \"" + manifest + "\". ";
  EXPECT_TRUE(boxes[0].text.starts_with(expected)) << boxes[0].text;
  EXPECT_GT(boxes[0].text.size(), expected.size());
}

TEST_F(WineBundleTest, SilentRunShowsNoBoxOnADisplay) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
  engine.options.silent = true;
  fs::remove(support / "manifest-B1.txt");
  MessageBoxReader reader;
  run({bundle()});
  EXPECT_EQ(var("RESULT"), "ERROR");
  Sleep(200);  // a box would have appeared by now
  EXPECT_TRUE(reader.boxes().empty());
}

}  // namespace
}  // namespace kx
