#pragma once
// Comma text: the one encoding of string lists that crosses between the engine, plug-ins and
// the installer hand-over. Built into the engine and into every plug-in of ours, so it uses
// nothing but the standard library.
#include <string>
#include <string_view>
#include <vector>

namespace kx {

// Items holding a blank, a control byte (NUL included), a double quote or a comma are quoted,
// so what is written reads back to the same items, whatever bytes they hold.
std::string writeCommaText(const std::vector<std::string>& items);
// The same encoding with another delimiter: an item holding a blank or control character, a
// double quote or the delimiter is quoted, and a list of one empty item is two double quotes.
std::string writeDelimitedText(const std::vector<std::string>& items, char delimiter);
// A NUL outside quotes ends the text, as a NUL-terminated text ends there.
std::vector<std::string> readCommaText(std::string_view text);

// Name/value items "name=value": the value of the first item whose name matches ignoring the
// case of A-Z, or empty.
std::string commaTextValue(const std::vector<std::string>& items, std::string_view name);

}  // namespace kx
