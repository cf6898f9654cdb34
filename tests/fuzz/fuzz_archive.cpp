// The 7z reader over arbitrary bytes: open, list, check every name and decode every entry.
#include <cstddef>
#include <cstdint>

#include "media/zel/archive_access.h"
#include "media/zel/seven_zip.h"

namespace {

// Takes the decoded data and throws it away.
class DiscardingSink : public zel::EntrySink {
 public:
  void begin(size_t) override {}
  void write(const uint8_t* data, size_t size) override {
    if (size > 0) checksum_ ^= data[size - 1];
  }
  void end(size_t) override {}

 private:
  uint8_t checksum_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto source = zel::memorySource(data, size);
  // The seeds with encryption use this password.
  zel::KeyCache keys([] { return std::optional<std::string>("secret"); });
  try {
    zel::SevenZipArchive archive(*source, keys);
    for (const auto& entry : archive.entries()) {
      zel::safeRelativePath(entry.name);
      zel::narrowText(entry.name);
    }
    DiscardingSink sink;
    archive.extract(std::vector<bool>(archive.entries().size(), true), sink);
  } catch (const zel::ArchiveError&) {
    // Every rejection of bad input is one of these.
  }
  return 0;
}
