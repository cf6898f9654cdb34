#include "tools/zelpack/script_text.h"

#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/headless/code_page.h"
#endif

namespace kx {
namespace {

[[noreturn]] void noFormIn(std::string_view utf8, unsigned codePage) {
  throw std::runtime_error("code page " + std::to_string(codePage) + " has no form for \"" +
                           std::string(utf8) + "\"");
}

}  // namespace

#ifdef _WIN32
std::string scriptTextFromUtf8(std::string_view utf8, unsigned codePage) {
  if (utf8.empty() || codePage == CP_UTF8) return std::string(utf8);
  const int size = static_cast<int>(utf8.size());
  std::wstring wide(utf8.size(), L'\0');
  const int units =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide.data(), size);
  if (units <= 0) noFormIn(utf8, codePage);
  std::string text(static_cast<size_t>(units) * 2, '\0');
  BOOL usedDefault = FALSE;
  const int length =
      WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), units, text.data(),
                          static_cast<int>(text.size()), nullptr, &usedDefault);
  if (length <= 0 || usedDefault) noFormIn(utf8, codePage);
  text.resize(static_cast<size_t>(length));
  return text;
}
#else
std::string scriptTextFromUtf8(std::string_view utf8, unsigned codePage) {
  if (!CodePage::isSupported(codePage))
    throw std::runtime_error("unknown code page " + std::to_string(codePage));
  const CodePage page(codePage);
  std::string text = page.fromUtf8(utf8);
  // A character without a form comes out as "?": the way back tells.
  if (page.toUtf8(text) != utf8) noFormIn(utf8, codePage);
  return text;
}
#endif

}  // namespace kx
