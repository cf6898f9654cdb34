#include "media/web_media.h"

namespace kx {
namespace {

Fault webMediaBlockRule(RuleContext& c) {
  const std::string name = c.line(1);
  if (!name.empty() && c.line(2).empty()) return "Web Media Block must have a download URL";
  const size_t folderEnd = name.find_last_of("\\:");
  const std::string_view fileName =
      std::string_view(name).substr(folderEnd == std::string::npos ? 0 : folderEnd + 1);
  if (fileName.find_first_of("/*?\"<>|") != std::string_view::npos)
    return "Web Media Block name must be a legal file name";
  return std::nullopt;
}

// Not built yet: validated, and dispatched as a statement that does nothing.
constexpr CommandDescriptor kWebMediaCommands[] = {
    {"Web Media Block", nullptr, {.check = webMediaBlockRule}},
};

}  // namespace

std::span<const CommandDescriptor> webMediaCommands() {
  return kWebMediaCommands;
}

}  // namespace kx
