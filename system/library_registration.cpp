#include "system/library_registration.h"

namespace kx {
namespace {

// Not built yet: validated, and dispatched as statements that do nothing.
constexpr CommandDescriptor kLibraryRegistrationCommands[] = {
    {"Register Library", nullptr, {.resultLines = {3}}},
};

}  // namespace

std::span<const CommandDescriptor> libraryRegistrationCommands() {
  return kLibraryRegistrationCommands;
}

}  // namespace kx
