#pragma once
// The commands of the script language, each described once beside its function in its own
// subsystem, and the one table the interpreter dispatches and validates from.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

#include "script/validation.h"

namespace kx {

struct Engine;
class Script;
class VariableStore;
using CommandFunction = void (*)(Engine&);

// A parameter line translated while a language is set, and its slot in the statement text
// lookup.
struct TranslatableLine {
  uint8_t line = 0;
  uint8_t slot = 0;
};
// "Install Service" translates the most lines, five.
using TranslatableLines = std::array<TranslatableLine, 5>;

struct CommandDescriptor {
  std::string_view name;          // as scripts spell it, compared exactly
  CommandFunction run = nullptr;  // nullptr: not built yet, the statement does nothing
  StatementRule validation;       // its checks and the result variables it defines
  TranslatableLines translatable{};
};

// Steps of a run that belong to subsystems above the interpreter.
struct RunHooks {
  // Maintenance detection, once before the run's variables are written.
  CommandFunction detectMaintenance = nullptr;
  // The text of UNINSTALLLINK, refreshed before every statement.
  std::string (*uninstallLink)(Engine&) = nullptr;
  // Runs a statement whose command the script's plug-in list names.
  CommandFunction pluginStatement = nullptr;
  // Makes the running statement's media block available in the local data cache.
  CommandFunction fetchStatementMedia = nullptr;
  // The same for a block by name ("OFFLINE\": the offline data copy); raises a script error
  // when it fails.
  void (*fetchMediaBlock)(Engine&, const std::string& block) = nullptr;
  // The component lists, for maintenance runs and the product cache: a first installation's
  // lists (the predefined component, installed size 0); the selections saved to a file; the
  // selections loaded from one, the selected sizes added up as the installed size (false when
  // the file cannot be read).
  CommandFunction resetComponents = nullptr;
  bool (*saveFeatureSelections)(Engine&, const std::string& file) = nullptr;
  bool (*loadFeatureSelections)(Engine&, const std::string& file) = nullptr;
};

// Flow control, values and termination are always in the table; the start-up adds the
// subsystems' commands.
class CommandTable : public StatementRules {
 public:
  CommandTable();
  void add(std::span<const CommandDescriptor> commands);
  // The command of an exact, case-sensitive name; nullptr for any other name.
  const CommandDescriptor* find(std::string_view name) const;
  const StatementRule* ruleFor(std::string_view command) const override;

  RunHooks hooks;

 private:
  std::unordered_map<std::string_view, CommandDescriptor> byName_;
};

// Validates a script against the table's rules, with the store holding the names.
ValidationResult validateScript(const Script& script, const CommandTable& commands,
                                VariableStore& store);

}  // namespace kx
