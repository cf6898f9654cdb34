#include "system/iis_commands.h"

namespace kx {
namespace {

// Not built yet: validated, and dispatched as statements that do nothing.
constexpr CommandDescriptor kIisCommands[] = {
    {"Create IIS Site"},
    {"Delete IIS Site"},
    {"Control IIS Site"},
    {"Create Virtual Folder"},
    {"Delete Virtual Folder"},
    {"Get IIS Property", nullptr, {.resultLines = {1}}},
    {"Set IIS Property"},
    {"Get IIS Site Index", nullptr, {.resultLines = {2}}},
    {"IIS Anonymous User", nullptr, {.resultLines = {1}}},
};

}  // namespace

std::span<const CommandDescriptor> iisCommands() {
  return kIisCommands;
}

}  // namespace kx
