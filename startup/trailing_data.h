#pragma once
// Trailing data of a program file: the bytes after the end of its sections, where a setup
// carries its script and the archive library its message file.
#include <cstdint>
#include <optional>
#include <string_view>

namespace kx {

// The largest (pointer to raw data + size of raw data) over the section table of a PE file's
// headers; nullopt when the bytes do not hold whole PE headers.
std::optional<uint64_t> endOfSections(std::string_view file);

// The bytes from the end of the sections to the end of the file. Empty when there are none,
// when the file is shorter than its sections claim, or when it is not a PE file.
std::string_view trailingData(std::string_view file);

}  // namespace kx
