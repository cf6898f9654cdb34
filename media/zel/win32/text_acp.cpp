// Texts on Windows are in the ANSI code page; names outside it are listed with its
// replacement characters and still extracted under their real UTF-16 names.
#include <windows.h>

#include "media/zel/support.h"

namespace zel {

std::string narrowText(const std::u16string& text) {
  if (text.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) WideCharToMultiByte(CP_ACP, 0, wide, length, out.data(), size, nullptr, nullptr);
  return out;
}

std::u16string wideText(const std::string& text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  std::u16string out(static_cast<size_t>(size > 0 ? size : 0), u'\0');
  if (size > 0)
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, reinterpret_cast<wchar_t*>(out.data()),
                        size);
  return out;
}

}  // namespace zel
