#include "plugins/plugin_host.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "base/values.h"
#include "interpreter/engine.h"
#include "interpreter/worker_and_wait.h"

namespace kx {
namespace {

// The result text in a second call's buffer of N bytes (its terminator aside): up to the last
// byte that is not NUL, the terminator and whatever the plug-in left unused being dropped. A NUL
// inside a quoted value reaches the comma-text reader, which keeps it, so no variable after it
// is lost.
std::string resultText(std::string_view buffer) {
  const size_t end = buffer.find_last_not_of('\0');
  return std::string(buffer.substr(0, end == std::string_view::npos ? 0 : end + 1));
}

// What the interpreter and the plug-in worker share during one plug-in statement. The progress
// fields are guarded by the engine's general lock; the others are written before the worker
// starts or read after it has ended.
struct PluginCallState {
  WindowHandle owner = 0;
  std::string libraryPath;
  std::string variables;
  std::string parameters;
  std::optional<std::string> result;  // nothing when the call failed
  int32_t status = 0;                 // written only by the plug-in
  int32_t progressPosition = -1;
  std::string progressText;
  std::atomic<bool> cancel = false;
};

// The worker of a plug-in statement: loads the library, makes the two calls, unloads it.
class TScriptThread {
 public:
  TScriptThread(Modules& modules, std::recursive_mutex& generalLock, PluginCallState& state)
      : modules_(modules), generalLock_(generalLock), state_(state) {}

  void execute() { state_.result = runBothCalls(); }

 private:
  // The result text, or nothing when the plug-in failed: the store then stays as it was.
  std::optional<std::string> runBothCalls() {
    try {
      std::unique_ptr<PluginLibrary> library = modules_.loadPlugin(state_.libraryPath);
      if (!library) return std::nullopt;
      PluginCall call = firstCall();
      const std::optional<int32_t> length = library->execute(call);
      // Any negative length is a failure: no buffer of that size exists.
      if (!length || *length < 0) return std::nullopt;
      std::vector<char> buffer(static_cast<size_t>(*length) + 1, '\0');
      call.resultBuffer = buffer.data();
      if (!library->execute(call)) return std::nullopt;
      return resultText(std::string_view(buffer.data(), buffer.size() - 1));
    } catch (...) {
      return std::nullopt;
    }
  }

  PluginCall firstCall() {
    PluginCall call;
    call.owner = state_.owner;
    call.variables = state_.variables.c_str();
    call.parameters = state_.parameters.c_str();
    call.status = &state_.status;
    call.progress = [this](int32_t position, const char* text) {
      std::lock_guard guard(generalLock_);
      state_.progressPosition = position;
      state_.progressText = text ? text : "";
      return !state_.cancel;
    };
    return call;
  }

  Modules& modules_;
  std::recursive_mutex& generalLock_;
  PluginCallState& state_;
};

std::string fileNamePart(const std::string& path) {
  const size_t separator = path.find_last_of("\\/:");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

void showMissingLibrary(Engine& engine) {
  if (engine.silent()) return;
  MessageBoxRequest box;
  box.caption = "Kestrix";
  box.text = kPluginMissingMessage;
  box.icon = MessageIcon::Error;
  engine.showMessage(box);
}

}  // namespace

std::string mediaBlockFilePath(Engine& engine, const std::string& block,
                               const std::string& relativePath) {
  return withTrailingBackslash(engine.options.dataFolder) + block + relativePath;
}

std::string pluginLibraryPath(Engine& engine) {
  const std::string library = engine.parameter(2);
  const std::string& block = engine.script.mediaBlock(engine.run.position);
  if (!block.empty()) return mediaBlockFilePath(engine, block, library);
  const std::string supportFolder = engine.store.isDefined("SUPPORTDIR")
                                        ? engine.store.get("SUPPORTDIR")
                                        : engine.options.supportFolder;
  return withTrailingBackslash(supportFolder) + fileNamePart(library);
}

void runPluginStatement(Engine& engine) {
  PluginCallState state;
  state.libraryPath = pluginLibraryPath(engine);
  state.variables = engine.store.exportList();
  state.parameters = engine.parameter(1);
  if (!engine.platform.files->fileExists(state.libraryPath)) return showMissingLibrary(engine);
  // The list crosses as a NUL-terminated text: a store holding a NUL would reach the plug-in
  // cut short and come back without the variables after it, so the call is not made.
  if (state.variables.find('\0') != std::string::npos) return;

  state.owner = engine.run.modelessWindow;
  state.progressText =
      engine.store.isDefined("PROGRESSTEXT") ? engine.store.get("PROGRESSTEXT") : std::string();
  TScriptThread script(*engine.platform.modules, engine.generalLock, state);
  runWorkerAndWait(
      engine, state.cancel, [&script] { script.execute(); },
      [&] {
        std::lock_guard guard(engine.generalLock);
        engine.publishProgress(state.progressText, 0, 100, state.progressPosition);
      });
  // A failed call leaves the store untouched: a list read back would not hold it byte for byte.
  if (state.result) engine.store.importList(*state.result);
}

}  // namespace kx
