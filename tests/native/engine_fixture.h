#pragma once
// A ready engine over the fake platform, with the installer database present.
#include <gtest/gtest.h>

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
    return runScript(engine);
  }
  std::string var(const std::string& name) { return engine.store.get(name); }
  // Statement numbers dispatched, in order.
  std::vector<size_t> trace;

  FakePlatform fake;
  Engine engine;
};

}  // namespace kx::test
