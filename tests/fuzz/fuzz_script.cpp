// Reads arbitrary bytes as a script file and validates whatever the reader made of them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/message_table.h"
#include "base/script_error.h"
#include "interpreter/variable_store.h"
#include "script/script.h"
#include "script/validation.h"
#include "startup/engine_commands.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kx::Script script;
  kx::readScript(std::string_view(reinterpret_cast<const char*>(data), size), script);
  kx::MessageTable messages;
  kx::VariableStore store(messages);
  try {
    kx::validateScript(script, kx::engineCommands(), store);
  } catch (const kx::ScriptError&) {
    // A parameter line beyond the parameter section: the pass's own failure.
  }
  return 0;
}
