// system_message CODE: the system's text for a Windows error code, as FormatMessageA gives it,
// for the tests to compare the engine's error texts with.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  char text[10241];
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                     std::strtoul(argv[1], nullptr, 10), 0, text, sizeof text, nullptr);
  std::fwrite(text, 1, length, stdout);
  return length ? 0 : 1;
}
