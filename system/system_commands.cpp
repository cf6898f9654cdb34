#include "system/system_commands.h"

namespace kx {
namespace {

// Not built yet: validated, and dispatched as statements that do nothing.
constexpr CommandDescriptor kSystemCommands[] = {
    // Programs.
    {"Run Program", nullptr, {.resultLines = {5}}},
    {"Run Program As", nullptr, {.resultLines = {8}}},
    {"Run Light Mode Setup", nullptr, {.resultLines = {2}}},
    {"Terminate Program"},
    // Processes, services, shares, access control.
    {"Check Process", nullptr, {.resultLines = {2}}},
    {"Check Service", nullptr, {.resultLines = {3}}},
    {"Create Share"},
    {"Delete Share"},
    {"Set Access Control"},
    // IIS.
    {"Create IIS Site"},
    {"Delete IIS Site"},
    {"Control IIS Site"},
    {"Create Virtual Folder"},
    {"Delete Virtual Folder"},
    {"Get IIS Property", nullptr, {.resultLines = {1}}},
    {"Set IIS Property"},
    {"Get IIS Site Index", nullptr, {.resultLines = {2}}},
    {"IIS Anonymous User", nullptr, {.resultLines = {1}}},
    // Library registration.
    {"Register Library", nullptr, {.resultLines = {3}}},
};

}  // namespace

std::span<const CommandDescriptor> systemCommands() {
  return kSystemCommands;
}

}  // namespace kx
