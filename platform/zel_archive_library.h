#pragma once
// The archive library's C interface (media/zel/zel.h) as the engine's ArchiveLibrary, for every
// platform: each only says where the library's entries come from and how it spells paths.
#include <functional>
#include <string>

#include "media/zel/zel.h"
#include "platform/platform.h"

namespace kx {

class ZelArchiveLibrary : public ArchiveLibrary {
 public:
  // Gives the library's entries, or null when it cannot be loaded.
  using Binding = std::function<const ZelFunctions*()>;
  // The path to hand the library for a path of the engine.
  using PathMapping = std::function<std::string(const std::string&)>;

  // `bind` is asked at each use until it gives the entries; without `libraryPath` paths go to
  // the library as they are.
  explicit ZelArchiveLibrary(Binding bind, PathMapping libraryPath = {})
      : bind_(std::move(bind)), libraryPath_(std::move(libraryPath)) {}

  std::optional<std::vector<std::string>> list(const std::string& archive,
                                               const std::string& password) override;
  bool extract(const std::string& archive, const std::string& destination,
               const ArchiveExtraction& extraction) override;
  int32_t lastError() override;

  // The library's entries; null while it cannot be loaded.
  const ZelFunctions* functions();

 private:
  std::string libraryPath(const std::string& path) const;

  Binding bind_;
  PathMapping libraryPath_;
  const ZelFunctions* functions_ = nullptr;
};

}  // namespace kx
