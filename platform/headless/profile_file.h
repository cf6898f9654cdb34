#pragma once
// The system's profile-string reader (GetPrivateProfileStringA) over an INI file's bytes. Lines
// end at CR or LF; blanks around lines, names and values are ignored. "[name]" starts a
// section (up to the last "]"), "name=value" is a key, and any other line is a key without a
// value (so a ";" comment is one too). Names are compared ignoring case and surrounding
// blanks; only the first section of a name is searched and its first key of the name is the
// answer. One pair of matching quotes around a value (" or ') is removed. Text is in the code
// page unless the file begins with a UTF-8 or UTF-16 byte-order mark.
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/headless/code_page.h"

namespace kx {

// The key's value as the reader gives it with an empty default and a buffer of `bufferSize`
// characters (so at most bufferSize - 1 come back); empty when the section or key is missing.
std::string profileString(std::string_view file, const CodePage& codePage, std::string_view section,
                          std::string_view key, size_t bufferSize = 260);

}  // namespace kx
