#pragma once
// The validation pass every run makes before it executes a statement ("compilation" in the
// engine's texts).
#include <cstdint>
#include <string>
#include <string_view>

namespace kx {

class Script;
class VariableStore;

inline constexpr std::string_view kCompiledSuccessfully = "Script compiled successfully";

struct ValidationResult {
  static constexpr int32_t kValid = -1;
  int32_t result = kValid;  // -1, or the zero-based index of the first offending statement
  std::string message{kCompiledSuccessfully};
  bool ok() const { return result == kValid; }
};

// Checks block balance, labels, the per-command rules and the Wizard Loops, in that order,
// and reports the first fault only. Clears the store and leaves in it, with empty values, the
// predefined names and every result variable a statement names. A parameter line beyond the
// end of the parameter section is a ScriptError of the pass itself. Linear in the script size.
ValidationResult validateScript(const Script& script, VariableStore& store);

}  // namespace kx
