#include "dialogs/dialog_rules.h"

#include <algorithm>

#include "base/values.h"

namespace kx {
namespace {

constexpr std::string_view kNegatedOperator = " <> ";
constexpr std::string_view kOperator = " = ";
constexpr std::string_view kThen = ")  THEN  ";
constexpr std::string_view kAssign = " := ";

size_t findIgnoringCase(std::string_view text, std::string_view separator) {
  const auto found = std::search(text.begin(), text.end(), separator.begin(), separator.end(),
                                 [](char a, char b) { return upperAscii(a) == upperAscii(b); });
  return found == text.end() ? std::string_view::npos : static_cast<size_t>(found - text.begin());
}

// The text up to the first `separator`, which is dropped with it; the whole rest when the
// line holds no such separator.
std::string cut(std::string_view& rest, std::string_view separator) {
  const size_t at = findIgnoringCase(rest, separator);
  std::string part(rest.substr(0, at));
  rest = at == std::string_view::npos ? std::string_view() : rest.substr(at + separator.size());
  return part;
}

// Keeps the pass depth of a form for as long as one pass runs.
class NestingGuard {
 public:
  explicit NestingGuard(int& depth) : depth_(depth) { ++depth_; }
  ~NestingGuard() { --depth_; }
  NestingGuard(const NestingGuard&) = delete;
  NestingGuard& operator=(const NestingGuard&) = delete;

 private:
  int& depth_;
};

}  // namespace

DialogRule parseRule(std::string_view line) {
  std::string_view rest = line.substr(std::min<size_t>(4, line.size()));
  DialogRule rule;
  rule.negated = rest.find(kNegatedOperator) != std::string_view::npos;
  rule.sourceComponent = cut(rest, ".");
  rule.sourceProperty = cut(rest, rule.negated ? kNegatedOperator : kOperator);
  rule.testValue = cut(rest, kThen);
  rule.targetComponent = cut(rest, ".");
  rule.targetProperty = cut(rest, kAssign);
  rule.newValue = cut(rest, ";");
  return rule;
}

std::string resolveRuleValue(const DialogForm& form, const std::string& value) {
  const size_t dot = value.find('.');
  if (dot == std::string::npos) return value;
  const Control* control = form.findControl(std::string_view(value).substr(0, dot));
  const std::string_view property = std::string_view(value).substr(dot + 1);
  if (!control) return value;
  if (equalsIgnoringAsciiCase(property, "Name")) return control->name();
  return control->propertyText(property).value_or(value);
}

void applyRules(DialogForm& form, const RuleChangeHandler& onValueChanged) {
  if (form.rulesDepth >= kMaxRulesNesting) return;
  if (form.rulesDepth == 0) form.ruleHandlerRuns = 0;
  NestingGuard guard(form.rulesDepth);
  // A handler may replace the rule list; the pass works on the lines it started with.
  const Lines rules = form.rules;
  for (const std::string& line : rules) {
    const DialogRule rule = parseRule(line);
    const std::string test = resolveRuleValue(form, rule.testValue);
    const std::string current = form.propertyText(rule.sourceComponent, rule.sourceProperty);
    if ((current == test) == rule.negated) continue;
    const std::string newValue = resolveRuleValue(form, rule.newValue);
    if (!form.setPropertyText(rule.targetComponent, rule.targetProperty, newValue)) continue;
    Control* target = form.findControl(rule.targetComponent);
    const auto& valueProperties = target->kind().valueProperties;
    const bool isValueProperty = std::any_of(
        valueProperties.begin(), valueProperties.end(),
        [&](std::string_view name) { return equalsIgnoringAsciiCase(name, rule.targetProperty); });
    if (isValueProperty && onValueChanged && form.ruleHandlerRuns < kMaxRuleHandlerRuns) {
      ++form.ruleHandlerRuns;
      onValueChanged(*target);
    }
  }
}

}  // namespace kx
