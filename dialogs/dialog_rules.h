#pragma once
// Dialog rules: one line per rule, read from the dialog's rule file, of the layout
//   IF (Source.Property = test)  THEN  Target.Property := new value;
// (" <> " instead of " = " negates the test). A rules pass applies every rule once, in order.
#include <functional>
#include <string>
#include <string_view>

#include "dialogs/forms/form_model.h"

namespace kx {

struct DialogRule {
  bool negated = false;
  std::string sourceComponent;
  std::string sourceProperty;
  std::string testValue;
  std::string targetComponent;
  std::string targetProperty;
  std::string newValue;
  bool operator==(const DialogRule&) const = default;
};

// Cuts the line at its separators, as the authoring tool writes them; a line that does not
// follow the layout yields whatever its separators give, without a diagnostic.
DialogRule parseRule(std::string_view line);

// "Component.Property" naming a property of one of the dialog's controls reads as that
// property's current text; any other value stays as written.
std::string resolveRuleValue(const DialogForm& form, const std::string& value);

// Called when a rule changed one of a control's value properties: the host runs the control's
// value-writing handler, which may start a nested pass.
using RuleChangeHandler = std::function<void(Control&)>;

// Passes nested deeper than this (rules that keep changing each other's values through their
// handlers) are not started.
inline constexpr int kMaxRulesNesting = 16;
// Rules that change each other's values may start nested passes from every rule of every pass;
// after this many value-writing handlers within one outermost pass, no more are run.
inline constexpr int kMaxRuleHandlerRuns = 1000;

// The rules pass over the form's rule list. A text that a target property refuses throws
// PropertyError.
void applyRules(DialogForm& form, const RuleChangeHandler& onValueChanged = {});

}  // namespace kx
