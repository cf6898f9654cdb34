// Web server files given to zelrun --iis: whatever reads without an error writes back to a file
// that reads as the same server and writes back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/file_web_server.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kx::FileWebServer server;
  if (!kx::readWebServerFile(std::string_view(reinterpret_cast<const char*>(data), size), server)
           .empty())
    return 0;
  const std::string written = kx::writeWebServerFile(server);
  kx::FileWebServer reread;
  if (!kx::readWebServerFile(written, reread).empty() || !(reread == server)) std::abort();
  if (kx::writeWebServerFile(reread) != written) std::abort();
  return 0;
}
