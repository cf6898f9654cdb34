// kx_test_plugin.dll: a plug-in whose behaviour the statement's parameters choose (Mode=...),
// for the engine's plug-in host tests.
#include <windows.h>

#include <cstring>
#include <stdexcept>
#include <string>

#include "base/comma_text.h"

namespace {

using ProgressCallback = unsigned char(__stdcall*)(int32_t position, const char* text);

std::string kept;  // the result, between the two calls
std::string mode;

volatile int* nowhere = nullptr;
volatile int zero = 0;

volatile bool forever = true;

// Recurses until the stack runs out.
int recurse(int depth) {
  volatile char frame[256];
  frame[0] = static_cast<char>(depth);
  return (forever ? recurse(depth + 1) : 0) + frame[0];
}

int32_t keep(std::vector<std::string> items) {
  kept = kx::writeCommaText(items);
  return static_cast<int32_t>(kept.size());
}

int32_t firstCall(HWND owner, const char* variables, const char* parameters,
                  ProgressCallback progress) {
  std::vector<std::string> items = kx::readCommaText(variables);
  mode = kx::commaTextValue(kx::readCommaText(parameters), "Mode");
  if (mode == "fail") return keep({}), -1;
  if (mode == "empty") return keep({});
  // The faults: had one not happened, the empty result would empty the engine's store.
  if (mode == "crash1") *nowhere = 1;
  if (mode == "divide1") kept = std::to_string(100 / zero);
  if (mode == "raise1") RaiseException(0xE0000001, 0, 0, nullptr);
  if (mode == "overflow1") kept = std::to_string(recurse(0));
  if (mode == "throw1") throw std::runtime_error("escapes the plug-in");
  if (mode.ends_with("1") || mode == "crash2") return keep({});
  if (mode == "echo") {
    items.insert(items.end(), {"PARAMETERS", parameters, "OWNER",
                               std::to_string(reinterpret_cast<uintptr_t>(owner))});
  }
  if (mode == "append") items.insert(items.end(), {"PLUGINVAR", "a \"quoted\", value"});
  if (mode == "progress") {
    int steps = 0;
    // Reports until the engine answers "stop"; gives up after 20 s so a broken cancel fails.
    const DWORD start = GetTickCount();
    while (progress(steps % 101, "Working") && GetTickCount() - start < 20000) {
      ++steps;
      Sleep(1);
    }
    const bool cancelled = GetTickCount() - start < 20000;
    progress(-1, "Stopped");
    items.insert(items.end(),
                 {"STEPS", std::to_string(steps), "CANCELLED", cancelled ? "TRUE" : "FALSE"});
  }
  return keep(items);
}

}  // namespace

extern "C" int32_t __stdcall RunTimeExecute(HWND owner, const char* variables,
                                            const char* parameters, ProgressCallback progress,
                                            int32_t* status, char* resultBuffer) {
  if (status) *status = 0;
  if (resultBuffer == nullptr) return firstCall(owner, variables, parameters, progress);
  if (mode == "crash2") *nowhere = 2;
  std::memcpy(resultBuffer, kept.c_str(), kept.size() + 1);
  return 0;
}
