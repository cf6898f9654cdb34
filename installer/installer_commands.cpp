#include "installer/installer_commands.h"

namespace kx {
namespace {

constexpr CommandDescriptor kApplyCommands[] = {
    {"Apply Changes", nullptr, {.resultLines = {2}}},
    {"Apply Patch", nullptr, {.resultLines = {1}}},
    {"Transform Instance"},
    {"Is MSI Setup Installed", nullptr, {.resultLines = {2}, .resultRequired = true}},
};

}  // namespace

std::span<const CommandDescriptor> applyCommands() {
  return kApplyCommands;
}

}  // namespace kx
