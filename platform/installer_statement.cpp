#include "platform/installer_statement.h"

namespace kx {

size_t parameterMarkerCount(std::string_view sql) {
  size_t markers = 0;
  char quote = 0;
  for (const char c : sql) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '`') {
      quote = c;
    } else if (c == '?') {
      ++markers;
    }
  }
  return markers;
}

}  // namespace kx
