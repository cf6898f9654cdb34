#pragma once
// A ready engine over the fake platform, with the installer database present.
#include <gtest/gtest.h>

#include <map>

#include "dialogs/dialog_session.h"
#include "dialogs/forms/definition_text.h"
#include "interpreter/interpreter.h"
#include "startup/engine_commands.h"
#include "tests/native/fake_platform.h"
#include "tests/native/script_builder.h"

namespace kx::test {

class EngineTest : public ::testing::Test {
 protected:
  EngineTest() : engine(fake.platform(), engineCommands()) {
    engine.options.supportFolder = "C:\\Temp\\zel1\\";
    engine.options.msiFile = "C:\\Temp\\zel1\\setup.msi";
    fake.files[upperAscii(engine.options.msiFile)] = "";
  }

  RunResult run(const std::vector<Statement>& statements) {
    engine.script = buildScript(statements);
    engine.traceStatement = [this](const Engine& e) { trace.push_back(e.run.position); };
    if (!engine.dialogs) loadDialogs();
    return runScript(engine);
  }
  // What start-up loading does, from `definitions` and `rules` instead of files: every enabled
  // "Display Dialog" gets its dialog, a plain 400 x 300 page unless its name is defined.
  void loadDialogs() {
    DialogSession& session = openDialogSession(engine);
    for (size_t k = 1; k <= engine.script.statementCount(); ++k) {
      if (engine.script.command(k) != "Display Dialog" || engine.script.isDisabled(k)) continue;
      const std::string name = engine.script.parameter(engine.script.id(k), 1);
      const auto found = definitions.find(name);
      const std::string text =
          found != definitions.end()
              ? found->second
              : "object " + name + ": TForm\n  ClientWidth = 400\n  ClientHeight = 300\nend\n";
      auto form = DialogForm::fromDefinition(dfm::objectFromText(text));
      form->host.setPropertyText("Hint", name + ".dfm");
      if (rules.contains(name)) form->rules = rules[name];
      const std::string key = std::to_string(k - 1);
      session.table.add(key, std::move(form));
      session.addHost(engine, key);
    }
  }
  std::string var(const std::string& name) { return engine.store.get(name); }
  // Dialog definitions in the text form and rule lines, by dialog name.
  std::map<std::string, std::string> definitions;
  std::map<std::string, Lines> rules;
  // Statement numbers dispatched, in order.
  std::vector<size_t> trace;

  FakePlatform fake;
  Engine engine;
};

}  // namespace kx::test
