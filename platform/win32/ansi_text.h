#pragma once
// The engine's texts are in the ANSI code page; some system functions take only wide texts.
#include <windows.h>

#include <string>

namespace kx {

inline std::wstring wideFromAnsi(const std::string& text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  std::wstring result(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), length, result.data(), size);
  return result;
}

}  // namespace kx
