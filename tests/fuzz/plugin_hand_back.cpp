// The plug-in hand-back from anywhere: a store read from one part of the input, a plug-in whose
// calls the first byte chooses and whose result buffer the rest fills. A failed or refused call
// leaves the store exactly as it was; a successful one gives a store whose list reads back to
// itself, with no name twice.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "base/values.h"
#include "interpreter/engine.h"
#include "plugins/plugin_host.h"
#include "startup/engine_commands.h"
#include "tests/native/fake_platform.h"
#include "tests/native/script_builder.h"

namespace {

using kx::test::FakePlatform;
using kx::test::PluginFault;

constexpr char kLibrary[] = "C:\\TEMP\\ZEL1\\FUZZ.DLL";

bool sameVariables(const std::vector<kx::Variable>& a, const std::vector<kx::Variable>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].name != b[i].name || a[i].value != b[i].value) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // Byte 0: how the plug-in behaves (below); byte 1: the length of the store's list; then the list,
  // then the plug-in's result.
  const uint8_t behaviour = data[0];
  const size_t listLength = std::min<size_t>(data[1], size - 2);
  const std::string_view list = input.substr(2, listLength);
  const std::string result(input.substr(2 + listLength));

  FakePlatform fake;
  kx::Engine engine(fake.platform(), kx::engineCommands());
  engine.options.supportFolder = "C:\\Temp\\zel1\\";
  engine.script = kx::test::buildScript({{"Fuzz Plugin", {"", "Fuzz.dll"}}});
  engine.script.plugins = {"Fuzz Plugin"};
  engine.run.position = 1;
  engine.store.importList(list);
  engine.store.setSilent(true);
  const std::vector<kx::Variable> before = engine.store.snapshot();
  const bool sentNul = engine.store.exportList().find('\0') != std::string::npos;

  fake.files[kLibrary] = "MZ";
  bool called = false;
  // Bit 7: a negative length; bit 6: a fault in the first call, bit 5 in the second; else the
  // length is the result's, give or take a few bytes.
  const int32_t reported = behaviour & 0x80 ? -1 - static_cast<int32_t>(behaviour & 0x7f)
                                            : static_cast<int32_t>(result.size()) +
                                                  static_cast<int32_t>(behaviour & 0x0f) - 4;
  fake.plugins[kLibrary] = [&](const kx::PluginCall& call) -> int32_t {
    called = true;
    if (call.resultBuffer == nullptr) {
      if (behaviour & 0x40) throw PluginFault{};
      return reported;
    }
    const size_t room = static_cast<size_t>(reported) + 1;
    std::memcpy(call.resultBuffer, result.data(), std::min(room, result.size()));
    if (behaviour & 0x20) throw PluginFault{};
    return 0;
  };
  kx::runPluginStatement(engine);
  const std::vector<kx::Variable> after = engine.store.snapshot();

  // A list holding a NUL can't cross whole: the call is refused before the plug-in is loaded.
  if (sentNul && called) std::abort();
  const bool failed = sentNul || (behaviour & 0xe0) || reported < 0;
  if (failed) {
    if (!sameVariables(before, after)) std::abort();
    return 0;
  }
  // What came back reads back to itself, with every name once.
  kx::VariableStore reread(engine.messages);
  reread.importList(engine.store.exportList());
  if (!sameVariables(reread.snapshot(), after)) std::abort();
  for (size_t i = 0; i < after.size(); ++i)
    for (size_t j = i + 1; j < after.size(); ++j)
      if (kx::equalsIgnoringAsciiCase(after[i].name, after[j].name)) std::abort();
  return 0;
}
