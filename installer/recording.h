#pragma once
// The steps every recording command shares.
#include <string>
#include <string_view>

namespace kx {

struct Engine;

// Parameter line n of the running statement expanded; while a language is set, the line's
// translation (when the command translates it and the tables hold one) expanded instead.
std::string expandedTranslated(Engine& engine, size_t n);

// Every pair of backslashes, from the left, made one; a text that began with a pair (a UNC
// path) still begins with two.
std::string collapsedBackslashes(std::string_view text);

// A value as recorded: expanded once more, its doubled backslashes collapsed.
std::string preparedValue(Engine& engine, std::string_view text);

}  // namespace kx
