#include "installer/recording.h"

#include "base/values.h"
#include "interpreter/engine.h"

namespace kx {

std::string expandedTranslated(Engine& engine, size_t n) {
  return engine.store.expand(engine.translatable(n));
}

std::string collapsedBackslashes(std::string_view text) {
  std::string collapsed = replaceAll(text, "\\\\", "\\", false);
  if (text.starts_with("\\\\") && !collapsed.starts_with("\\\\")) collapsed.insert(0, 1, '\\');
  return collapsed;
}

std::string preparedValue(Engine& engine, std::string_view text) {
  return collapsedBackslashes(engine.store.expand(text));
}

}  // namespace kx
