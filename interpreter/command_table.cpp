#include "interpreter/command_table.h"

#include "base/values.h"
#include "interpreter/interpreter.h"
#include "interpreter/predefined_variables.h"
#include "interpreter/termination.h"
#include "interpreter/value_commands.h"
#include "interpreter/variable_store.h"

namespace kx {
namespace {

constexpr std::string_view kValidationContext = "Compilation";

class StoreNames : public ValidationNames {
 public:
  explicit StoreNames(VariableStore& store) : store_(store) {}
  void clear() override { store_.clear(); }
  bool isDefined(std::string_view name) const override { return store_.isDefined(name); }
  void define(std::string_view name) override {
    if (!store_.isDefined(name)) store_.defineAndSet(upperAscii(name), "", kValidationContext);
  }

 private:
  VariableStore& store_;
};

}  // namespace

CommandTable::CommandTable() {
  add(flowControlCommands());
  add(valueCommands());
  add(terminationCommands());
}

void CommandTable::add(std::span<const CommandDescriptor> commands) {
  for (const CommandDescriptor& command : commands) byName_.insert_or_assign(command.name, command);
}

const CommandDescriptor* CommandTable::find(std::string_view name) const {
  const auto found = byName_.find(name);
  return found == byName_.end() ? nullptr : &found->second;
}

const StatementRule* CommandTable::ruleFor(std::string_view command) const {
  const CommandDescriptor* found = find(command);
  return found ? &found->validation : nullptr;
}

ValidationResult validateScript(const Script& script, const CommandTable& commands,
                                VariableStore& store) {
  StoreNames names(store);
  return validateScript(script, commands, kPredefinedVariables, names);
}

}  // namespace kx
