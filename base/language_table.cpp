#include "base/language_table.h"

#include <utility>

#include "base/values.h"

namespace kx {
namespace {

// Spelled as setups name their translation files.
constexpr std::pair<uint32_t, std::string_view> kLanguages[] = {
    {1025, "Arabic"},
    {1027, "Catalan"},
    {1028, "Chinese (Taiwan)"},
    {2052, "Chinese (PRC)"},
    {1029, "Czech"},
    {1030, "Danish"},
    {1031, "German"},
    {1032, "Greek"},
    {1033, "English"},
    {3082, "Spanish"},
    {1061, "Estonian"},
    {1035, "Finnish"},
    {1036, "French"},
    {1037, "Hebrew"},
    {1038, "Hungarian"},
    {1040, "Italian"},
    {1041, "Japanese"},
    {1042, "Korean"},
    {1063, "Lithuanian"},
    {1062, "Latvian"},
    {1043, "Dutch"},
    {1044, "Norwegian"},
    {1045, "Polish"},
    {1046, "Portugese (Brazil)"},
    {2070, "Portugese (Portugal)"},
    {1048, "Romanian"},
    {1049, "Russian"},
    {1050, "Croatian"},
    {1051, "Slovak"},
    {1053, "Swedish"},
    {1054, "Thai"},
    {1055, "Turkish"},
    {1060, "Slovenian"},
    {1066, "Vietnamese"},
};

}  // namespace

uint32_t languageIdentifier(std::string_view name) {
  for (const auto& [identifier, language] : kLanguages)
    if (equalsIgnoringAsciiCase(language, name)) return identifier;
  return 1033;
}

std::string languageName(uint32_t identifier) {
  for (const auto& [known, language] : kLanguages)
    if (known == identifier) return std::string(language);
  return {};
}

}  // namespace kx
