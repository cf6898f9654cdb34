// The version-resource reader of program files on arbitrary bytes: under the address
// sanitizer, any read outside them ends the run.
#include <cstdint>
#include <string_view>

#include "platform/pe_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  if (const auto image = kx::PeImage::read(file)) {
    volatile uint64_t sink = image->endOfSections();
    if (const auto information = image->versionInformation())
      sink = information->fileVersion.major + information->firstTranslation.value_or(0);
    (void)sink;
  }
  return 0;
}
