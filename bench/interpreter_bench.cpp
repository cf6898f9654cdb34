// Reading and running a generated script: the time per statement must not grow with the
// script's length (parameter lookup goes through an index, never a scan).
#include <benchmark/benchmark.h>

#include "interpreter/interpreter.h"
#include "startup/engine_commands.h"
#include "tests/native/fake_platform.h"
#include "tests/native/script_builder.h"

namespace kx {
namespace {

constexpr int kVariables = 2000;

// Blocks of statements that read and write variables, test conditions and skip branches.
std::string generatedScript(int statements) {
  std::vector<test::Statement> list;
  for (int i = 0; static_cast<int>(list.size()) < statements; ++i) {
    const std::string v = "V" + std::to_string(i % kVariables);
    const std::string w = "V" + std::to_string((i * 7 + 3) % kVariables);
    list.push_back({"Set Variable", {v, "$" + w + "$-" + std::to_string(i)}});
    list.push_back({"If", {v, "1", "-", "FALSE"}});
    list.push_back({"Set Variable", {w, "x"}});
    list.push_back({"Else", {}});
    list.push_back({"Comment", {"skipped"}});
    list.push_back({"End", {}});
    list.push_back({"If", {"$" + v + "$", "0", "$" + w + "$", "TRUE"}});
    list.push_back({"Comment", {"taken"}});
    list.push_back({"End", {}});
    list.push_back({"Label", {"L" + std::to_string(i)}});
  }
  list.resize(static_cast<size_t>(statements), {"Comment", {""}});
  return writeScript(test::buildScript(list));
}

void ReadAndRunScript(benchmark::State& state) {
  const auto statements = static_cast<int>(state.range(0));
  const std::string bytes = generatedScript(statements);
  test::FakePlatform fake;
  fake.files["C:\\TEMP\\ZEL1\\SETUP.MSI"] = "";
  for (auto _ : state) {
    Engine engine(fake.platform(), engineCommands());
    engine.options.supportFolder = "C:\\Temp\\zel1\\";
    engine.options.msiFile = "C:\\Temp\\zel1\\setup.msi";
    for (int v = 0; v < kVariables; ++v)
      engine.options.overrides.emplace_back("V" + std::to_string(v), std::to_string(v));
    readScript(bytes, engine.script);
    const RunResult result = runScript(engine);
    if (result.end != RunEnd::Normal) state.SkipWithError("the generated script failed");
    benchmark::DoNotOptimize(engine.store.snapshot().size());
  }
  state.counters["statements"] = statements;
  state.counters["per_statement"] = benchmark::Counter(
      static_cast<double>(statements),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(ReadAndRunScript)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kx
