#pragma once
// What the C interface builds on, open to the fuzz target and tests: archive sources and the
// check that keeps entries inside the destination folder.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "media/zel/streams.h"

namespace zel {

// The archive file, or nullptr when it cannot be opened for reading.
std::unique_ptr<ByteSource> openFileSource(const std::string& path);
// Bytes in memory, not copied.
std::unique_ptr<ByteSource> memorySource(const uint8_t* data, size_t size);

// The folder components under the destination of an entry name, or nullopt when the name
// would leave it: a ".." component, an absolute, drive or UNC path, an alternate data stream,
// a device name or a component that Windows would turn into one of these.
std::optional<std::vector<std::u16string>> safeRelativePath(const std::u16string& name);

}  // namespace zel
