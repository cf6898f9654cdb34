#pragma once
// The validation pass every run makes before it executes a statement ("compilation" in the
// engine's texts). What it checks of each command comes from the command's own description.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>

namespace kx {

class Script;

inline constexpr std::string_view kCompiledSuccessfully = "Script compiled successfully";

struct ValidationResult {
  static constexpr int32_t kValid = -1;
  int32_t result = kValid;  // -1, or the zero-based index of the first offending statement
  std::string message{kCompiledSuccessfully};
  bool ok() const { return result == kValid; }
};

// The names validation treats as defined variables; the interpreter's store stands behind it.
class ValidationNames {
 public:
  virtual ~ValidationNames() = default;
  virtual void clear() = 0;
  virtual bool isDefined(std::string_view name) const = 0;
  // Defines the name with an empty value unless it is defined already.
  virtual void define(std::string_view name) = 0;
};

using Fault = std::optional<std::string>;

// What a statement's check sees: its parameter lines, the names defined so far and the labels.
class RuleContext {
 public:
  RuleContext(const Script& script, ValidationNames& names,
              const std::unordered_set<std::string>& labels)
      : script_(script), names_(names), labels_(labels) {}

  void select(size_t statement);
  std::string line(size_t n) const;
  bool isDefined(std::string_view name) const { return names_.isDefined(name); }
  bool hasLabel(const std::string& upperName) const { return labels_.contains(upperName); }
  // The statement writes a result variable named by line n, as the line stands.
  void define(size_t n);
  // A line naming a variable either bare or between "$" signs, as conditions read it.
  Fault requireOperand(const std::string& text) const;

 private:
  const Script& script_;
  ValidationNames& names_;
  const std::unordered_set<std::string>& labels_;
  size_t statement_ = 0;
};

using RuleCheck = Fault (*)(RuleContext&);

// Line 1 names a variable that must exist already.
Fault requireNamedVariable(RuleContext& context);

// What validation checks of one command. Result lines are defined first (after the required
// one is found not empty), then the check runs.
struct StatementRule {
  std::array<uint8_t, 2> resultLines{};  // parameter lines that name result variables; 0: none
  bool resultRequired = false;           // "Variable required" when the first result line is empty
  RuleCheck check = nullptr;
};

// The rule of each command name; nullptr for a command validation does not look at.
class StatementRules {
 public:
  virtual ~StatementRules() = default;
  virtual const StatementRule* ruleFor(std::string_view command) const = 0;
};

// Checks block balance, labels, the per-command rules and the Wizard Loops, in that order,
// and reports the first fault only. Clears the names and leaves in them the predefined names
// and every result variable a statement names. A parameter line beyond the end of the
// parameter section is a ScriptError of the pass itself. Linear in the script size.
ValidationResult validateScript(const Script& script, const StatementRules& rules,
                                std::span<const std::string_view> predefinedNames,
                                ValidationNames& names);

}  // namespace kx
