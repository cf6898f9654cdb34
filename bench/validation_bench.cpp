// Validation of generated scripts of two sizes; run.sh compares their per-statement times.
#include <benchmark/benchmark.h>

#include "base/message_table.h"
#include "interpreter/variable_store.h"
#include "script/validation.h"
#include "startup/engine_commands.h"
#include "tests/native/script_builder.h"

namespace kx {
namespace {

// Groups of ten statements that touch every kind of check: result variables defined and
// tested, a block, labels and jumps, a Wizard Loop with a dialog.
Script generatedScript(size_t statementCount) {
  std::vector<test::Statement> statements;
  statements.reserve(statementCount);
  for (size_t group = 0; statements.size() < statementCount; ++group) {
    const std::string n = std::to_string(group);
    const std::string previous =
        group == 0 ? "$TARGETDIR$" : "$V" + std::to_string(group - 1) + "$";
    statements.push_back({"Set Variable", {"V" + n, "value " + n}});
    statements.push_back({"If", {"V" + n, "0", previous, "FALSE"}});
    statements.push_back({"Mathematics", {"$V" + n + "$", "+", "1", "M" + n}});
    statements.push_back({"Else", {}});
    statements.push_back({"Convert Path", {"M" + n, "0"}});
    statements.push_back({"End", {}});
    statements.push_back({"Label", {"L" + n}});
    statements.push_back({"Wizard Loop", {}});
    statements.push_back({"Display Dialog", {"page", "WIZARD", "TRUE", "$M" + n + "$", "", ""}});
    statements.push_back({"End", {}});
  }
  return test::buildScript(statements);
}

void Validation(benchmark::State& state) {
  const Script script = generatedScript(static_cast<size_t>(state.range(0)));
  MessageTable messages;
  VariableStore store(messages);
  for (auto _ : state) {
    const ValidationResult result = validateScript(script, engineCommands(), store);
    if (!result.ok()) {
      state.SkipWithError(result.message.c_str());
      break;
    }
    benchmark::DoNotOptimize(result);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(Validation)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kx
