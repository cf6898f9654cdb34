#include "plugins/plugin_host.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "base/comma_text.h"
#include "tests/native/engine_fixture.h"

namespace kx::test {
namespace {

const std::string kLibrary = "C:\\Temp\\zel1\\MyPlugin.dll";

// A plug-in that keeps its result between the two calls, as a real one does.
struct ResultKeeper {
  std::string result;
  int firstCalls = 0;
  int secondCalls = 0;
  std::vector<bool> bufferWasNull;
};

class PluginHostTest : public EngineTest {
 protected:
  // Runs a comment, one plug-in statement whose library line is `libraryLine`, and unless the
  // plug-in is to be last, another comment.
  RunResult runPlugin(const std::string& parameters = "SourceID=x",
                      const std::string& libraryLine = "Plugins\\MyPlugin.dll",
                      bool pluginLast = false) {
    std::vector<Statement> statements = {{"Comment", {"before"}},
                                         {"My Plugin", {parameters, libraryLine}}};
    if (!pluginLast) statements.push_back({"Comment", {"after"}});
    engine.script = buildScript(statements);
    engine.script.plugins = {"MY PLUGIN"};
    engine.traceStatement = [this](const Engine& e) {
      trace.push_back(e.run.position);
      if (beforeEachStatement) beforeEachStatement();
    };
    return runScript(engine);
  }
  std::function<void()> beforeEachStatement;

  // Installs a plug-in that computes its result from the call in the first call.
  void install(std::function<int32_t(const PluginCall&, ResultKeeper&)> firstCall) {
    fake.files[upperAscii(kLibrary)] = "MZ";
    fake.plugins[upperAscii(kLibrary)] = [this, firstCall](const PluginCall& call) {
      keeper.bufferWasNull.push_back(call.resultBuffer == nullptr);
      if (call.resultBuffer == nullptr) {
        received = readCommaText(call.variables);
        ++keeper.firstCalls;
        return firstCall(call, keeper);
      }
      ++keeper.secondCalls;
      std::memcpy(call.resultBuffer, keeper.result.c_str(), keeper.result.size() + 1);
      return 0;
    };
  }

  // The store holds what was sent to the plug-in (the clock variables aside, which the
  // interpreter refreshes before each statement).
  void expectStoreAsSent() {
    const std::vector<Variable> now = engine.store.snapshot();
    ASSERT_EQ(now.size() * 2, received.size());
    for (size_t i = 0; i < now.size(); ++i) {
      EXPECT_EQ(now[i].name, received[2 * i]);
      if (now[i].name != "TIME" && now[i].name != "DATE") {
        EXPECT_EQ(now[i].value, received[2 * i + 1]) << now[i].name;
      }
    }
  }

  // The variable list the plug-in received in its first call, as name/value items.
  std::vector<std::string> received;
  ResultKeeper keeper;
};

int32_t keep(ResultKeeper& keeper, std::string result) {
  keeper.result = std::move(result);
  return static_cast<int32_t>(keeper.result.size());
}

TEST_F(PluginHostTest, PluginStatementsAreFoundIgnoringLetterCase) {
  engine.script.plugins = {"Bundle Files"};
  EXPECT_TRUE(isPluginStatement(engine, "BUNDLE FILES"));
  EXPECT_TRUE(isPluginStatement(engine, "bundle files"));
  EXPECT_FALSE(isPluginStatement(engine, "Bundle"));
}

TEST_F(PluginHostTest, LibraryLiesInTheSupportFolderUnderItsFileName) {
  install([](const PluginCall& call, ResultKeeper& k) { return keep(k, call.variables); });
  EXPECT_EQ(runPlugin("", "Some\\Folder\\MyPlugin.dll").end, RunEnd::Normal);
  EXPECT_EQ(keeper.firstCalls, 1);
  EXPECT_EQ(keeper.secondCalls, 1);
  EXPECT_EQ(fake.pluginsLoaded, 1);
  EXPECT_EQ(fake.pluginsUnloaded, 1);
}

TEST_F(PluginHostTest, LibraryOfAMediaBlockLiesUnderTheMediaRoot) {
  engine.options.dataFolder = "D:\\Data\\";
  engine.script = buildScript({{"My Plugin", {"", "Plugins\\MyPlugin.dll"}}});
  engine.script.mediaBlocks = {"Block1\\"};
  engine.run.position = 1;
  EXPECT_EQ(pluginLibraryPath(engine), "D:\\Data\\Block1\\Plugins\\MyPlugin.dll");
}

TEST_F(PluginHostTest, MissingLibraryShowsTheMessageAndSkipsTheStatement) {
  const RunResult result = runPlugin();
  EXPECT_EQ(result.end, RunEnd::Normal);
  EXPECT_EQ(trace, (std::vector<size_t>{1, 2, 3}));
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text,
            "Unable to load plug-in library. Please rebuild your project and make sure all "
            "required plug-ins are installed.\r\rAction skipped");
  EXPECT_EQ(fake.boxes[0].caption, "Kestrix");
  EXPECT_EQ(fake.boxes[0].icon, MessageIcon::Error);
  EXPECT_EQ(fake.pluginsLoaded, 0);
}

TEST_F(PluginHostTest, MissingLibraryInASilentRunShowsNothing) {
  engine.options.silent = true;
  runPlugin();
  EXPECT_TRUE(fake.boxes.empty());
  EXPECT_EQ(trace, (std::vector<size_t>{1, 2, 3}));
}

TEST_F(PluginHostTest, PluginGetsTheStoreAndTheUnexpandedParameters) {
  std::string parameters;
  install([&](const PluginCall& call, ResultKeeper& k) {
    parameters = call.parameters;
    return keep(k, call.variables);
  });
  runPlugin("SourceID=$TARGETDIR$,\"Target Path=a b\"");
  EXPECT_EQ(parameters, "SourceID=$TARGETDIR$,\"Target Path=a b\"");
  ASSERT_GE(received.size(), 2u);
  EXPECT_EQ(received.size() % 2, 0u);
  EXPECT_NE(std::find(received.begin(), received.end(), "SUPPORTDIR"), received.end());
  EXPECT_EQ(keeper.bufferWasNull, (std::vector<bool>{true, false}));
}

TEST_F(PluginHostTest, FailedFirstCallLeavesTheStoreAndIsNotCalledAgain) {
  // Each keeps a result that would empty the store, then fails.
  const std::vector<std::function<int32_t(const PluginCall&, ResultKeeper&)>> failures = {
      [](const PluginCall&, ResultKeeper& k) { return keep(k, ""), -1; },
      [](const PluginCall&, ResultKeeper& k) { return keep(k, ""), -7; },
      [](const PluginCall&, ResultKeeper& k) -> int32_t { keep(k, ""), throw PluginFault{}; },
  };
  for (const auto& failure : failures) {
    keeper = {};
    trace.clear();
    install(failure);
    runPlugin();
    EXPECT_EQ(keeper.firstCalls, 1);
    EXPECT_EQ(keeper.secondCalls, 0);
    expectStoreAsSent();
    EXPECT_TRUE(fake.boxes.empty());
    EXPECT_EQ(trace, (std::vector<size_t>{1, 2, 3}));
  }
}

TEST_F(PluginHostTest, FaultInTheSecondCallKeepsTheStore) {
  fake.files[upperAscii(kLibrary)] = "MZ";
  int calls = 0;
  fake.plugins[upperAscii(kLibrary)] = [&](const PluginCall& call) -> int32_t {
    if (++calls == 2) {
      std::memcpy(call.resultBuffer, "A", 2);  // a partial result, then the fault
      throw PluginFault{};
    }
    received = readCommaText(call.variables);
    return 5;
  };
  runPlugin();
  EXPECT_EQ(calls, 2);
  expectStoreAsSent();
  EXPECT_FALSE(engine.store.isDefined("A"));
  EXPECT_EQ(fake.pluginsUnloaded, 1);
}

// Mathematics code 12 with A = 0 gives a value that is one NUL byte.
const std::vector<Statement> kNulBeforeAfter = {{"Mathematics", {"0", "0", "12", "NUL"}},
                                                {"Set Variable", {"AFTER", "z"}}};

TEST_F(PluginHostTest, StoreHoldingANulStaysWholeAndThePluginIsNotCalled) {
  // A fault in the second call, with a partial result, or a plug-in that would keep every
  // variable it can see: a plug-in sees the list up to the NUL only, so it is never called.
  const std::vector<std::function<int32_t(const PluginCall&, ResultKeeper&)>> plugins = {
      [](const PluginCall&, ResultKeeper& k) { return keep(k, "A"), 5; },
      [](const PluginCall& call, ResultKeeper& k) { return keep(k, call.variables); },
  };
  for (const auto& plugin : plugins) {
    keeper = {};
    install(plugin);
    std::vector<Statement> statements = kNulBeforeAfter;
    statements.push_back({"My Plugin", {"", "MyPlugin.dll"}});
    statements.push_back({"Set Variable", {"LAST", "$AFTER$"}});
    engine.script = buildScript(statements);
    engine.script.plugins = {"My Plugin"};
    EXPECT_EQ(runScript(engine).end, RunEnd::Normal);
    EXPECT_EQ(keeper.firstCalls, 0);
    EXPECT_EQ(var("NUL"), std::string(1, '\0'));
    EXPECT_EQ(var("AFTER"), "z");
    EXPECT_EQ(var("LAST"), "z");
    EXPECT_TRUE(fake.boxes.empty());
  }
}

TEST_F(PluginHostTest, FailedCallLeavesTheStoreByteForByte) {
  // Every byte value but NUL, in names and values, through a call that fails in either way.
  std::string every;
  for (int code = 1; code <= 255; ++code) every += static_cast<char>(code);
  engine.options.overrides = {{"EVERY", every}, {every.substr(40), "odd name"}, {"AFTER", "z"}};
  for (int32_t firstResult : {-1, 5}) {
    fake.files[upperAscii(kLibrary)] = "MZ";
    fake.plugins[upperAscii(kLibrary)] = [&](const PluginCall& call) -> int32_t {
      if (call.resultBuffer) throw PluginFault{};
      received = readCommaText(call.variables);
      return firstResult;
    };
    runPlugin();
    expectStoreAsSent();
    EXPECT_EQ(var("EVERY"), every);
    EXPECT_EQ(var(upperAscii(every.substr(40))), "odd name");
    EXPECT_EQ(var("AFTER"), "z");
  }
}

TEST_F(PluginHostTest, ResultIsReadToItsLengthSoAQuotedNulLosesNothing) {
  const std::string result = std::string("A,\"x\0y\",B,z", 12);
  struct Case {
    int32_t length;       // what the first call returns
    std::string written;  // what the second call writes, without the engine's terminator
  } cases[] = {
      {12, result},
      // A length beyond the text: the rest of the buffer stays NUL.
      {40, result + std::string(1, '\0')},
  };
  for (const auto& c : cases) {
    fake.files[upperAscii(kLibrary)] = "MZ";
    fake.plugins[upperAscii(kLibrary)] = [&](const PluginCall& call) -> int32_t {
      if (call.resultBuffer == nullptr) return c.length;
      std::memcpy(call.resultBuffer, c.written.data(), c.written.size());
      return 0;
    };
    runPlugin("", "MyPlugin.dll", true);
    EXPECT_EQ(var("A"), std::string("x\0y", 3));
    EXPECT_EQ(var("B"), "z");
  }
}

TEST_F(PluginHostTest, ResultWithARepeatedNameKeepsItsFirstEntry) {
  install([](const PluginCall&, ResultKeeper& k) { return keep(k, "A,first,B,b,a,second"); });
  runPlugin("", "MyPlugin.dll", true);
  EXPECT_EQ(engine.store.exportList(), "A,first,B,b");
}

TEST_F(PluginHostTest, LibraryThatDoesNotLoadLeavesTheStore) {
  fake.files[upperAscii(kLibrary)] = "not a library";
  runPlugin();
  EXPECT_EQ(var("SUPPORTDIR"), "C:\\Temp\\zel1\\");
  EXPECT_GT(engine.store.snapshot().size(), 10u);
  EXPECT_TRUE(fake.boxes.empty());
  EXPECT_EQ(trace.back(), 3u);
}

TEST_F(PluginHostTest, EmptyResultEmptiesTheStore) {
  install([](const PluginCall&, ResultKeeper& k) { return keep(k, ""); });
  runPlugin("", "MyPlugin.dll", true);
  EXPECT_EQ(keeper.secondCalls, 1);
  EXPECT_EQ(engine.store.exportList(), "");
}

TEST_F(PluginHostTest, AppendedAndChangedVariablesReachTheStoreUnchanged) {
  const std::string tricky = "a \"quoted\", value";
  install([&](const PluginCall& call, ResultKeeper& k) {
    std::vector<std::string> items = readCommaText(call.variables);
    for (size_t i = 0; i + 1 < items.size(); i += 2)
      if (items[i] == "SUPPORTDIR") items[i + 1] = "changed";
    items.push_back("NEWVAR");
    items.push_back(tricky);
    return keep(k, writeCommaText(items));
  });
  runPlugin();
  EXPECT_EQ(var("NEWVAR"), tricky);
  EXPECT_EQ(var("SUPPORTDIR"), "changed");
}

TEST_F(PluginHostTest, ResultWithoutTerminatorIsCutAtItsLength) {
  fake.files[upperAscii(kLibrary)] = "MZ";
  fake.plugins[upperAscii(kLibrary)] = [&](const PluginCall& call) -> int32_t {
    if (call.resultBuffer == nullptr) return 3;
    std::memcpy(call.resultBuffer, "X,1", 3);  // no terminator of its own
    return 0;
  };
  runPlugin("", "MyPlugin.dll", true);
  EXPECT_EQ(engine.store.exportList(), "X,1");
}

TEST_F(PluginHostTest, ProgressIsPublishedAndCancelReachesThePlugin) {
  int reportsAfterCancel = 0;
  install([&](const PluginCall& call, ResultKeeper& k) {
    int step = 0;
    while (call.progress(step % 100, "Copying") && step < 1000000) ++step;
    while (!call.progress(-1, "Stopping") && reportsAfterCancel < 3) ++reportsAfterCancel;
    std::vector<std::string> items = readCommaText(call.variables);
    items.insert(items.end(), {"STEPS", std::to_string(step)});
    return keep(k, writeCommaText(items));
  });
  std::vector<std::string> seenTexts;
  bool longOperationSeen = false;
  fake.onMessage = [&] {
    longOperationSeen = longOperationSeen || engine.longOperation;
    std::lock_guard guard(engine.generalLock);
    if (seenTexts.empty() || seenTexts.back() != engine.progress.text)
      seenTexts.push_back(engine.progress.text);
    if (engine.progress.text == "Copying" && engine.progress.position > 0)
      engine.cancelRequested = true;
  };
  runPlugin();
  EXPECT_TRUE(engine.store.isDefined("STEPS"));
  EXPECT_EQ(reportsAfterCancel, 3);  // the engine answers "stop" until the plug-in ends
  EXPECT_TRUE(longOperationSeen);
  EXPECT_FALSE(engine.longOperation);
  EXPECT_NE(std::find(seenTexts.begin(), seenTexts.end(), "Copying"), seenTexts.end());
}

TEST_F(PluginHostTest, SilentRunWaitsForThePluginWithoutHandlingMessages) {
  engine.options.silent = true;
  int messages = 0;
  fake.onMessage = [&] { ++messages; };
  bool goOn = false;
  install([&](const PluginCall& call, ResultKeeper& k) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    goOn = call.progress(40, "Half");
    return keep(k, call.variables + std::string(",DONE,1"));
  });
  runPlugin();
  EXPECT_TRUE(goOn);
  EXPECT_EQ(var("DONE"), "1");
  EXPECT_EQ(messages, 0);
}

TEST_F(PluginHostTest, OwnerWindowIsTheDialogOnScreen) {
  WindowHandle owner = 0;
  install([&](const PluginCall& call, ResultKeeper& k) {
    owner = call.owner;
    return keep(k, call.variables);
  });
  beforeEachStatement = [this] { engine.run.modelessWindow = 4242; };
  runPlugin();
  EXPECT_EQ(owner, 4242u);
}

}  // namespace
}  // namespace kx::test
