#include "dialogs/components.h"

namespace kx {
namespace {

// Not built yet: validated, and dispatched as statements that do nothing.
constexpr CommandDescriptor kComponentCommands[] = {
    {"Define Component"},        {"Get Component State", nullptr, {.resultLines = {2}}},
    {"Set Component State"},     {"Set Component Space"},
    {"Load Feature Selections"}, {"Save Feature Selections"},
};

}  // namespace

std::span<const CommandDescriptor> componentCommands() {
  return kComponentCommands;
}

}  // namespace kx
