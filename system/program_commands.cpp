#include "system/program_commands.h"

namespace kx {
namespace {

// Not built yet: validated, and dispatched as statements that do nothing.
constexpr CommandDescriptor kProgramCommands[] = {
    {"Run Program", nullptr, {.resultLines = {5}}},
    {"Run Program As", nullptr, {.resultLines = {8}}},
    {"Run Light Mode Setup", nullptr, {.resultLines = {2}}},
    {"Terminate Program"},
};

}  // namespace

std::span<const CommandDescriptor> programCommands() {
  return kProgramCommands;
}

}  // namespace kx
