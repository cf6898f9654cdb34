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
  // How the library spells the engine's other texts (entry names, passwords), and back.
  struct TextMapping {
    std::function<std::string(const std::string&)> toLibrary;
    std::function<std::string(const std::string&)> fromLibrary;
  };

  // `bind` is asked at each use until it gives the entries; without `libraryPath` paths go to
  // the library as they are, and without `texts` every other text.
  explicit ZelArchiveLibrary(Binding bind, PathMapping libraryPath = {}, TextMapping texts = {})
      : bind_(std::move(bind)), libraryPath_(std::move(libraryPath)), texts_(std::move(texts)) {}

  std::optional<std::vector<std::string>> list(const std::string& archive,
                                               const std::string& password) override;
  bool extract(const std::string& archive, const std::string& destination,
               const ArchiveExtraction& extraction) override;
  int32_t lastError() override;

  // The library's entries; null while it cannot be loaded.
  const ZelFunctions* functions();

 private:
  std::string libraryPath(const std::string& path) const;
  std::string toLibrary(const std::string& text) const;
  std::string fromLibrary(const std::string& text) const;
  // The library's names of the entries to extract. A name the engine got with replacement
  // characters ('?' for what its spelling lacks) stands for every listed entry that it spells
  // that way, as when the library itself spells names so.
  std::vector<std::string> libraryNames(const ZelFunctions& zel, const std::string& archive,
                                        const std::string& password,
                                        const std::vector<std::string>& entries) const;

  Binding bind_;
  PathMapping libraryPath_;
  TextMapping texts_;
  const ZelFunctions* functions_ = nullptr;
};

}  // namespace kx
