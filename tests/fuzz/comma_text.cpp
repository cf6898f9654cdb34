// Comma text read from a plug-in's result: reading never fails, and what is read writes back
// to a text that reads the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/comma_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto items = kx::readCommaText(text);
  if (kx::readCommaText(kx::writeCommaText(items)) != items) std::abort();
  return 0;
}
