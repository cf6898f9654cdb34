#include "script/validation.h"

#include "base/values.h"
#include "script/command_names.h"
#include "script/script.h"

namespace kx {

using namespace command_names;

namespace {

constexpr std::string_view kVariableRequired = "Variable required";
constexpr std::string_view kVariableNotDefined = "Variable not defined: ";

}  // namespace

void RuleContext::select(size_t statement) {
  statement_ = statement;
}

std::string RuleContext::line(size_t n) const {
  return script_.statementParameter(statement_, n);
}

void RuleContext::define(size_t n) {
  const std::string name = line(n);
  if (!name.empty()) names_.define(name);
}

Fault RuleContext::requireOperand(const std::string& text) const {
  std::string name = referenceName(text);
  if (name.empty()) name = text;
  if (isDefined(name)) return std::nullopt;
  return std::string(kVariableNotDefined) + text;
}

Fault requireNamedVariable(RuleContext& context) {
  const std::string name = context.line(1);
  if (context.isDefined(name)) return std::nullopt;
  return std::string(kVariableNotDefined) + name;
}

namespace {

ValidationResult fault(size_t index, std::string message) {
  return {static_cast<int32_t>(index), std::move(message)};
}

class Validation {
 public:
  Validation(const Script& script, const StatementRules& rules, ValidationNames& names)
      : script_(script), rules_(rules), names_(names), count_(script.statementCount()) {}

  ValidationResult run(std::span<const std::string_view> predefinedNames) {
    names_.clear();
    for (std::string_view name : predefinedNames) names_.define(name);
    if (auto found = blockBalance()) return *found;
    if (auto found = uniqueLabels()) return *found;
    if (auto found = statementRuleFaults()) return *found;
    if (auto found = wizardLoopContents()) return *found;
    return {};
  }

 private:
  bool is(size_t k, std::string_view command) const { return script_.command(k) == command; }
  bool enabled(size_t k) const { return !script_.isDisabled(k); }

  std::optional<ValidationResult> blockBalance() const {
    size_t opens = 0, ends = 0;
    int64_t depth = 0;
    for (size_t k = 1; k <= count_; ++k) {
      if (!enabled(k)) continue;
      if (is(k, kIf) || is(k, kWizardLoop)) {
        ++opens;
        ++depth;
      } else if (is(k, kEnd)) {
        ++ends;
        --depth;
      } else if (is(k, kLabel) && depth != 0) {
        return fault(k - 1, "LABEL statements cannot be nested inside loops/conditionals");
      }
    }
    if (opens == ends) return std::nullopt;
    return fault(count_ - 1,
                 ends < opens ? "Insufficient END statements" : "Too many END statements");
  }

  std::optional<ValidationResult> uniqueLabels() {
    for (size_t k = 1; k <= count_; ++k) {
      if (!is(k, kLabel)) continue;
      const std::string name = script_.statementParameter(k, 1);
      if (!labels_.insert(upperAscii(name)).second)
        return fault(k - 1, "LABEL re-defined: " + name);
    }
    return std::nullopt;
  }

  std::optional<ValidationResult> statementRuleFaults() {
    RuleContext context(script_, names_, labels_);
    for (size_t k = 1; k <= count_; ++k) {
      if (!enabled(k)) continue;
      const StatementRule* rule = rules_.ruleFor(script_.command(k));
      if (!rule) continue;
      context.select(k);
      if (Fault message = apply(*rule, context)) return fault(k - 1, std::move(*message));
    }
    return std::nullopt;
  }

  static Fault apply(const StatementRule& rule, RuleContext& context) {
    if (rule.resultRequired && context.line(rule.resultLines[0]).empty())
      return std::string(kVariableRequired);
    for (uint8_t line : rule.resultLines)
      if (line != 0) context.define(line);
    return rule.check ? rule.check(context) : std::nullopt;
  }

  std::optional<ValidationResult> wizardLoopContents() const {
    bool insideLoop = false;
    for (size_t k = 1; k <= count_; ++k) {
      if (is(k, kWizardLoop)) {
        insideLoop = true;
      } else if (is(k, kEnd)) {
        insideLoop = false;
      } else if (insideLoop && enabled(k) && !is(k, kDisplayDialog) && !is(k, kComment) &&
                 !is(k, kIgnore)) {
        return fault(k - 1, "Statements other than DISPLAY DIALOG not allowed inside WIZARD LOOP");
      }
    }
    return std::nullopt;
  }

  const Script& script_;
  const StatementRules& rules_;
  ValidationNames& names_;
  const size_t count_;
  std::unordered_set<std::string> labels_;
};

}  // namespace

ValidationResult validateScript(const Script& script, const StatementRules& rules,
                                std::span<const std::string_view> predefinedNames,
                                ValidationNames& names) {
  return Validation(script, rules, names).run(predefinedNames);
}

}  // namespace kx
