#include "system/service_commands.h"

namespace kx {
namespace {

// Not built yet: validated, and dispatched as statements that do nothing.
constexpr CommandDescriptor kServiceCommands[] = {
    {"Check Process", nullptr, {.resultLines = {2}}},
    {"Check Service", nullptr, {.resultLines = {3}}},
    {"Create Share"},
    {"Delete Share"},
    {"Set Access Control"},
};

}  // namespace

std::span<const CommandDescriptor> serviceCommands() {
  return kServiceCommands;
}

}  // namespace kx
