#pragma once
// The validation pass every run makes before it executes a statement.
#include <cstdint>
#include <string>

namespace kx {

class Script;
class VariableStore;

struct ValidationResult {
  int32_t result = 0;  // 0 valid, -1 invalid
  int32_t index = 0;   // statement the message is about
  std::string message;
  bool ok() const { return result == 0; }
};

ValidationResult validateScript(const Script& script, VariableStore& store);

}  // namespace kx
