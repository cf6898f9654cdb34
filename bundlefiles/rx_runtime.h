#pragma once
// RXRuntime: the plug-in's helpers over the variable list it receives from the engine (names
// and values alternating, as in the engine's comma text).
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace rx {

using VariableList = std::vector<std::string>;

// A failure of the plug-in's work; its text is what the user is shown.
class BundleError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

bool sameAsciiText(std::string_view a, std::string_view b);

// The value of a variable (names compared ignoring the case of A-Z), or empty.
std::string variableValue(const VariableList& variables, std::string_view name);

// Sets an existing variable; only name positions are searched. A variable that is not in the
// list is the error "Attempting to set value of undefined variable " + name.
void setVariable(VariableList& variables, std::string_view name, std::string_view value);

// Replaces "$" + name + "$" (ignoring the case of A-Z) by each variable's value, in list
// order, and repeats the whole pass while it changes the text and a "$" is left. Values that
// refer to themselves stop after a bounded number of passes or growth.
std::string expandVariables(std::string text, const VariableList& variables);

inline constexpr int kMaxExpansionPasses = 32;
inline constexpr size_t kMaxExpansionLength = 1u << 20;

}  // namespace rx
