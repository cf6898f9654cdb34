#pragma once
// A script is 8-bit text in a Windows ANSI code page; a project is JSON, so UTF-8.
#include <string>
#include <string_view>

namespace kx {

inline constexpr unsigned kDefaultScriptCodePage = 1252;

// The text in the code page; throws std::runtime_error when the code page is not known or
// has no form for one of the text's characters.
std::string scriptTextFromUtf8(std::string_view utf8, unsigned codePage);

}  // namespace kx
