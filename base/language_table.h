#pragma once
// The setup languages a setup can carry, by name and Windows language identifier.
#include <cstdint>
#include <string>
#include <string_view>

namespace kx {

// The identifier of a language name, letter case ignored; 1033 (English) for a name outside
// the table.
uint32_t languageIdentifier(std::string_view name);
// The name of an identifier as the table spells it; empty outside the table.
std::string languageName(uint32_t identifier);

}  // namespace kx
