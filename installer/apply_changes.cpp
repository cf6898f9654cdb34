#include "installer/apply_changes.h"

namespace kx {
namespace {

constexpr CommandDescriptor kApplyCommands[] = {
    {"Apply Changes", nullptr, {.resultLines = {2}}},
    {"Apply Patch", nullptr, {.resultLines = {1}}},
};

}  // namespace

std::span<const CommandDescriptor> applyCommands() {
  return kApplyCommands;
}

}  // namespace kx
