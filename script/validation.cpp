#include "script/validation.h"

#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "interpreter/values.h"
#include "interpreter/variable_store.h"
#include "script/script.h"

namespace kx {
namespace {

constexpr std::string_view kContext = "Compilation";
constexpr std::string_view kVariableRequired = "Variable required";
constexpr std::string_view kVariableNotDefined = "Variable not defined: ";

// Names every run has, defined before the statement rules look at the script.
constexpr std::string_view kPredefinedNames[] = {
    "TIME",           "DATE",         "NEWINSTANCE",   "SELECTED",    "WINDOWHANDLE",
    "EXEDIR",         "EXEFILE",      "UNINSTALLLINK", "ABORT",       "SILENT",
    "LOGGED",         "CMDLINE",      "SFXPATH",       "SFXFILE",     "LASTERROR",
    "PROGRESSTEXT",   "PROGRESS",     "LICENSE",       "USERNAME",    "USERCOMPANY",
    "REBOOTCOMPUTER", "RUNAPP",       "WIZARD",        "VERSION",     "TARGETDIR",
    "STARTMENU",      "ADVERTISE",    "ALLUSERS",      "COMPLETE",    "MINIMUM",
    "PERSONALIZED",   "MODIFY",       "REPAIR",        "REMOVE",      "DATADIR",
    "PRODUCTCODE",    "REVISIONCODE", "ROOTDIR",       "MAINTENANCE", "NEEDSUPGRADE",
    "TITLE",          "COMPANY",      "TEMPDIR",       "SUPPORTDIR",  "MSIFILE",
    "LANGUAGE",
};

using Fault = std::optional<std::string>;

// What a statement rule sees: the statement's parameter lines, the store it defines result
// variables in, and the labels of the script.
class RuleContext {
 public:
  RuleContext(const Script& script, VariableStore& store,
              const std::unordered_set<std::string>& labels)
      : script_(script), store_(store), labels_(labels) {}

  void select(size_t statement) { id_ = &script_.id(statement); }
  std::string line(size_t n) const { return script_.parameter(*id_, n); }
  bool isDefined(std::string_view name) const { return store_.isDefined(name); }
  bool hasLabel(const std::string& upperName) const { return labels_.contains(upperName); }

  // The statement writes a result variable named by line n, as the line stands.
  void define(size_t n) {
    const std::string name = line(n);
    if (!name.empty() && !store_.isDefined(name))
      store_.defineAndSet(upperAscii(name), "", kContext);
  }
  // A line naming a variable either bare or between "$" signs, as conditions read it.
  Fault requireOperand(const std::string& text) const {
    std::string name = referenceName(text);
    if (name.empty()) name = text;
    if (isDefined(name)) return std::nullopt;
    return std::string(kVariableNotDefined) + text;
  }

 private:
  const Script& script_;
  VariableStore& store_;
  const std::unordered_set<std::string>& labels_;
  const std::string* id_ = nullptr;
};

using Rule = Fault (*)(RuleContext&);

template <size_t... Lines>
Fault defines(RuleContext& c) {
  (c.define(Lines), ...);
  return std::nullopt;
}

template <size_t Line>
Fault definesRequired(RuleContext& c) {
  if (c.line(Line).empty()) return std::string(kVariableRequired);
  return defines<Line>(c);
}

Fault webMediaBlockRule(RuleContext& c) {
  const std::string name = c.line(1);
  if (!name.empty() && c.line(2).empty()) return "Web Media Block must have a download URL";
  const size_t folderEnd = name.find_last_of("\\:");
  const std::string_view fileName =
      std::string_view(name).substr(folderEnd == std::string::npos ? 0 : folderEnd + 1);
  if (fileName.find_first_of("/*?\"<>|") != std::string_view::npos)
    return "Web Media Block name must be a legal file name";
  return std::nullopt;
}

Fault deleteFilesRule(RuleContext& c) {
  if (isTrue(c.line(3)) || isTrue(c.line(4))) return std::nullopt;
  return "At least one delete mode must be selected";
}

Fault installFilesRule(RuleContext& c) {
  if (!c.line(3).empty()) return std::nullopt;
  return "A target folder must be specified for files that are being installed.\r"
         "The value $TARGETDIR$ represents the destination folder chosen by the user.";
}

Fault namedVariableExistsRule(RuleContext& c) {
  const std::string name = c.line(1);
  if (c.isDefined(name)) return std::nullopt;
  return std::string(kVariableNotDefined) + name;
}

Fault goToLabelRule(RuleContext& c) {
  const std::string name = c.line(1);
  if (c.hasLabel(upperAscii(name))) return std::nullopt;
  return "LABEL undefined: " + name;
}

Fault conditionRule(RuleContext& c) {
  const std::string left = c.line(1);
  if (left.empty()) return std::string(kVariableRequired);
  const Fault leftFault = c.requireOperand(left);
  const std::string right = c.line(3);
  // A literal right operand needs nothing; a reference must name a defined variable.
  if (!referenceName(right).empty())
    if (Fault rightFault = c.requireOperand(right)) return rightFault;
  return leftFault;
}

Fault displayDialogRule(RuleContext& c) {
  if (c.line(1).empty()) return "Dialog name not specified";
  c.define(2);
  const std::string condition = c.line(4);
  if (condition.empty()) return std::nullopt;
  return c.requireOperand(condition);
}

const std::unordered_map<std::string_view, Rule>& statementRules() {
  static const std::unordered_map<std::string_view, Rule> rules = [] {
    std::unordered_map<std::string_view, Rule> table;
    const auto add = [&table](std::initializer_list<std::string_view> commands, Rule rule) {
      for (std::string_view command : commands) table.emplace(command, rule);
    };
    add({"Web Media Block"}, webMediaBlockRule);
    add({"Get Folder Location", "Get INI File Settings", "Check File Version",
         "Get System Settings", "Read Registry", "Does File/Folder Exist", "Set Variable",
         "Get Temporary File", "Get IIS Property", "IIS Anonymous User", "Apply Patch"},
        defines<1>);
    add({"Get File Version", "Get Environment", "Get IIS Site Index", "Run Light Mode Setup",
         "Check Process", "Apply Changes", "Get Component State"},
        defines<2>);
    add({"Extract 7Zip Archive", "Check Service", "Register Library"}, defines<3>);
    add({"Mathematics"}, defines<4>);
    add({"MessageBox", "Run Program"}, defines<5>);
    add({"Run Program As"}, defines<8>);
    add({"Read from Text File"}, defines<2, 3>);
    add({"Parse String"}, defines<3, 4>);
    add({"Is MSI Setup Installed"}, definesRequired<2>);
    add({"Find All Files"}, definesRequired<4>);
    add({"Check Disk Space"}, definesRequired<1>);
    add({"Delete Files"}, deleteFilesRule);
    add({"Install Files"}, installFilesRule);
    add({"Convert Path", "Extract Path", "Replace String"}, namedVariableExistsRule);
    add({"GoTo Label"}, goToLabelRule);
    add({"If", "Else If"}, conditionRule);
    add({"Display Dialog"}, displayDialogRule);
    return table;
  }();
  return rules;
}

ValidationResult fault(size_t index, std::string message) {
  return {static_cast<int32_t>(index), std::move(message)};
}

class Validation {
 public:
  Validation(const Script& script, VariableStore& store)
      : script_(script), store_(store), count_(script.statementCount()) {}

  ValidationResult run() {
    store_.clear();
    for (std::string_view name : kPredefinedNames) store_.defineAndSet(name, "", kContext);
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
      if (is(k, "If") || is(k, "Wizard Loop")) {
        ++opens;
        ++depth;
      } else if (is(k, "End")) {
        ++ends;
        --depth;
      } else if (is(k, "Label") && depth != 0) {
        return fault(k - 1, "LABEL statements cannot be nested inside loops/conditionals");
      }
    }
    if (opens == ends) return std::nullopt;
    return fault(count_ - 1,
                 ends < opens ? "Insufficient END statements" : "Too many END statements");
  }

  std::optional<ValidationResult> uniqueLabels() {
    for (size_t k = 1; k <= count_; ++k) {
      if (!is(k, "Label")) continue;
      const std::string name = script_.parameter(script_.id(k), 1);
      if (!labels_.insert(upperAscii(name)).second)
        return fault(k - 1, "LABEL re-defined: " + name);
    }
    return std::nullopt;
  }

  std::optional<ValidationResult> statementRuleFaults() {
    const auto& rules = statementRules();
    RuleContext context(script_, store_, labels_);
    for (size_t k = 1; k <= count_; ++k) {
      if (!enabled(k)) continue;
      const auto rule = rules.find(script_.command(k));
      if (rule == rules.end()) continue;
      context.select(k);
      if (Fault message = rule->second(context)) return fault(k - 1, std::move(*message));
    }
    return std::nullopt;
  }

  std::optional<ValidationResult> wizardLoopContents() const {
    bool insideLoop = false;
    for (size_t k = 1; k <= count_; ++k) {
      if (is(k, "Wizard Loop")) {
        insideLoop = true;
      } else if (is(k, "End")) {
        insideLoop = false;
      } else if (insideLoop && enabled(k) && !is(k, "Display Dialog") && !is(k, "Comment") &&
                 !is(k, "Ignore")) {
        return fault(k - 1, "Statements other than DISPLAY DIALOG not allowed inside WIZARD LOOP");
      }
    }
    return std::nullopt;
  }

  const Script& script_;
  VariableStore& store_;
  const size_t count_;
  std::unordered_set<std::string> labels_;
};

}  // namespace

ValidationResult validateScript(const Script& script, VariableStore& store) {
  return Validation(script, store).run();
}

}  // namespace kx
