#pragma once
// Registry files as the system's registry editor reads and writes them: "REGEDIT4" (8-bit text)
// and "Windows Registry Editor Version 5.00" (UTF-16LE with a byte order mark as the editor
// writes it, also read as UTF-8 or 8-bit text), so that zelrun can start a run from a registry
// and show what the run left in it.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/headless/code_page.h"
#include "platform/headless/headless_registry.h"

namespace kx {

// Between the script's code page and UTF-16; nullopt for a text without a counterpart.
struct TextConversion {
  std::function<std::optional<std::u16string>(std::string_view)> toUtf16;
  std::function<std::optional<std::string>(std::u16string_view)> fromUtf16;
};

// The conversion of a code page, refusing characters it cannot hold.
TextConversion textConversion(const CodePage& codePage);

enum class RegistryFileFormat { Regedit4, Version5 };

struct RegistryFileError {
  size_t line = 0;
  std::string reason;
};

struct RegistryFileRead {
  RegistryFileFormat format = RegistryFileFormat::Version5;
  std::optional<RegistryFileError> error;
};

// Applies a file's sections to `registry`, in order, as the editor imports them. The first
// fault ends the reading; the registry then holds what came before it.
RegistryFileRead readRegistryFile(std::string_view bytes, HeadlessRegistry& registry,
                                  const TextConversion& conversion);

// The whole registry in the editor's layout: keys depth first and sorted by name, every key
// (empty ones too) as a section, a root only when it holds values; Version5 as UTF-16LE with a
// byte order mark, Regedit4 as 8-bit text. nullopt when a text has no UTF-16 form.
std::optional<std::string> writeRegistryFile(const HeadlessRegistry& registry,
                                             RegistryFileFormat format,
                                             const TextConversion& conversion);

// zelrun's --registry FILE. Loading a file that does not exist gives an empty registry, saved
// as Version5; each returns the reason of a failure ("FILE:LINE: reason" or "FILE: reason"),
// empty on success. Saving replaces the file in one step.
std::string loadRegistryFile(const std::string& path, HeadlessRegistry& registry,
                             RegistryFileFormat& format, const TextConversion& conversion);
std::string saveRegistryFile(const std::string& path, const HeadlessRegistry& registry,
                             RegistryFileFormat format, const TextConversion& conversion);

}  // namespace kx
