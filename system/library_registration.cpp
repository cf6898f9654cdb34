#include "system/library_registration.h"

#include <algorithm>

#include "base/values.h"
#include "interpreter/engine.h"

namespace kx {
namespace {

bool registerLibrary(Engine& engine, const std::string& file, bool doRegister) {
  ComRegistration& com = *engine.platform.com;
  const std::string_view name = fileNamePart(file);
  const std::string extension = upperAscii(name.substr(std::min(name.rfind('.'), name.size())));
  if (extension == ".TLB")
    return engine.platform.files->fileExists(file) && com.registerTypeLibrary(file, doRegister);
  if (extension == ".EXE")
    return com.startRegistrationProgram(file, doRegister ? " /regserver" : " /unregserver");
  return com.callSelfRegistration(file, doRegister);
}

void commandRegisterLibrary(Engine& engine) {
  bool done = false;
  try {
    done = registerLibrary(engine, engine.expandedPath(1), isTrue(engine.parameter(2)));
  } catch (...) {
    done = false;  // whatever goes wrong is an answer, never a stop
  }
  const std::string result = engine.parameter(3);
  if (!result.empty()) engine.writeResult(result, truthText(done));
}

constexpr CommandDescriptor kLibraryRegistrationCommands[] = {
    {"Register Library", commandRegisterLibrary, {.resultLines = {3}}},
};

}  // namespace

std::span<const CommandDescriptor> libraryRegistrationCommands() {
  return kLibraryRegistrationCommands;
}

}  // namespace kx
