#pragma once
// What both implementations of the installer interface check in a statement before running it.
#include <cstddef>
#include <string_view>

namespace kx {

// The "?" markers of an SQL statement, outside its quoted values and `names`. Both libmsi and
// msi.dll read past a parameter record with fewer fields than markers.
size_t parameterMarkerCount(std::string_view sql);

}  // namespace kx
