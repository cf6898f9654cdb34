#include "interpreter/engine.h"

#include "base/values.h"

namespace kx {

std::string TranslationTables::statementText(const std::string& statementId, int slot,
                                             const std::string& defaultText) const {
  for (size_t k = 0; k < keys.size(); ++k) {
    if (!equalsIgnoringAsciiCase(keys[k], statementId)) continue;
    const size_t line = k + static_cast<size_t>(slot) - 1;
    return line < translation.size() ? translation[line] : std::string();
  }
  return defaultText;
}

std::string Engine::translatable(size_t n) const {
  std::string raw = parameter(n);
  if (run.currentLanguage.empty()) return raw;
  if (const CommandDescriptor* descriptor = commands.find(command()))
    for (const TranslatableLine& translated : descriptor->translatable)
      if (translated.line == n)
        return run.translations.statementText(statementId(), translated.slot, raw);
  return raw;
}

void Engine::publishProgress(const std::string& text, int64_t minimum, int64_t maximum,
                             int64_t position) {
  if (text == kUnchangedProgress) return;
  std::lock_guard guard(generalLock);
  progress.text = text;
  if (position == -1) return;
  progress.minimum = minimum;
  progress.maximum = maximum;
  progress.position = position;
}

MessageAnswer Engine::showMessage(MessageBoxRequest request) {
  if (request.owner == 0) request.owner = run.modelessWindow;
  return platform.ui->messageBox(request);
}

}  // namespace kx
