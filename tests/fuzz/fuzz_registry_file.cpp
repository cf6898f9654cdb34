// Registry files given to zelrun --registry: whatever reads without a fault writes back to a file
// that reads as the same registry and writes back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/headless/registry_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const kx::TextConversion conversion =
      kx::textConversion(kx::CodePage(kx::CodePage::kWindowsLatin1));
  kx::HeadlessRegistry registry;
  const auto read = kx::readRegistryFile(
      std::string_view(reinterpret_cast<const char*>(data), size), registry, conversion);
  if (read.error) return 0;
  // Windows-1252 gives every byte a UTF-16 form: writing cannot fail.
  const auto written = kx::writeRegistryFile(registry, read.format, conversion);
  if (!written) std::abort();
  kx::HeadlessRegistry reread;
  const auto again = kx::readRegistryFile(*written, reread, conversion);
  if (again.error || again.format != read.format || !(reread == registry)) std::abort();
  if (kx::writeRegistryFile(reread, read.format, conversion) != written) std::abort();
  return 0;
}
