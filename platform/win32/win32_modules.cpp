#include "platform/win32/win32_modules.h"

#include <windows.h>

namespace kx {
namespace {

using ProgressCallback = unsigned char(__stdcall*)(int32_t position, const char* text);
using RunTimeExecute = int32_t(__stdcall*)(HWND owner, const char* variables,
                                           const char* parameters, ProgressCallback progress,
                                           int32_t* status, char* resultBuffer);

// The call running on this thread: the progress callback has no context argument of its own.
thread_local const PluginCall* currentCall = nullptr;

unsigned char __stdcall progressCallback(int32_t position, const char* text) {
  const PluginCall* call = currentCall;
  if (!call || !call->progress) return 1;
  try {
    return call->progress(position, text ? text : "") ? 1 : 0;
  } catch (...) {
    return 1;  // nothing of ours may unwind through the plug-in's frames
  }
}

// A guarded call on this thread: where a fault inside the plug-in resumes. Filled by
// __builtin_setjmp (frame, resume address, stack).
struct FaultGuard {
  void* resume[5];
  uintptr_t recoveryStack;  // below the guarded frame, in the plug-in's abandoned stack
};
thread_local FaultGuard* activeGuard = nullptr;

[[noreturn]] void resumeAfterFault() {
  __builtin_longjmp(activeGuard->resume, 1);
}

bool isProcessorFault(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_STACK_OVERFLOW:
      return true;
    default:
      return false;
  }
}

// Continues the faulting thread in resumeAfterFault, as if that had been called there.
LONG redirectToGuard(EXCEPTION_POINTERS* info) {
  CONTEXT* context = info->ContextRecord;
  const uintptr_t stack = (activeGuard->recoveryStack & ~uintptr_t{15}) - sizeof(void*);
#ifdef _WIN64
  context->Rsp = stack;
  context->Rip = reinterpret_cast<DWORD64>(&resumeAfterFault);
#else
  context->Esp = stack;
  context->Eip = reinterpret_cast<DWORD>(&resumeAfterFault);
#endif
  return EXCEPTION_CONTINUE_EXECUTION;
}

// Processor faults are taken at first chance: a plug-in's own handlers do not get them.
LONG CALLBACK onFirstChance(EXCEPTION_POINTERS* info) {
  if (!activeGuard || !isProcessorFault(info->ExceptionRecord->ExceptionCode))
    return EXCEPTION_CONTINUE_SEARCH;
  return redirectToGuard(info);
}

// Any other exception that the plug-in raises and nobody handles (a foreign C++ exception, a
// raised software exception) ends the guarded call too.
LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;
LONG WINAPI onUnhandled(EXCEPTION_POINTERS* info) {
  if (activeGuard) return redirectToGuard(info);
  return previousFilter ? previousFilter(info) : EXCEPTION_CONTINUE_SEARCH;
}

// Calls the entry; false when it ended in a fault. Kept out of line and free of objects with
// destructors, since a fault jumps straight back into it.
__attribute__((noinline)) bool callGuarded(RunTimeExecute entry, const PluginCall& call,
                                           int32_t& result) {
  FaultGuard guard;
  guard.recoveryStack = reinterpret_cast<uintptr_t>(__builtin_frame_address(0)) - 1024;
  if (__builtin_setjmp(guard.resume)) return false;
  activeGuard = &guard;
  result = entry(reinterpret_cast<HWND>(call.owner), call.variables, call.parameters,
                 &progressCallback, call.status, call.resultBuffer);
  return true;
}

class Win32PluginLibrary : public PluginLibrary {
 public:
  Win32PluginLibrary(HMODULE module, RunTimeExecute entry) : module_(module), entry_(entry) {}
  ~Win32PluginLibrary() override { FreeLibrary(module_); }
  Win32PluginLibrary(const Win32PluginLibrary&) = delete;
  Win32PluginLibrary& operator=(const Win32PluginLibrary&) = delete;

  std::optional<int32_t> execute(const PluginCall& call) override {
    const PluginCall* const outerCall = currentCall;
    FaultGuard* const outerGuard = activeGuard;
    currentCall = &call;
    int32_t result = -1;
    bool completed = false;
    try {
      completed = callGuarded(entry_, call, result);
    } catch (...) {
      completed = false;
    }
    activeGuard = outerGuard;
    currentCall = outerCall;
    if (!completed) return std::nullopt;
    return result;
  }

 private:
  HMODULE module_;
  RunTimeExecute entry_;
};

}  // namespace

Win32Modules::Win32Modules() {
  static const bool installed = [] {
    AddVectoredExceptionHandler(1, &onFirstChance);
    previousFilter = SetUnhandledExceptionFilter(&onUnhandled);
    return true;
  }();
  (void)installed;
}

std::unique_ptr<PluginLibrary> Win32Modules::loadPlugin(const std::string& path) {
  // The plug-in's own folder is searched for the libraries it needs, then the system's.
  HMODULE module = LoadLibraryExA(
      path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
  if (!module) return nullptr;
  const auto entry = reinterpret_cast<RunTimeExecute>(
      reinterpret_cast<void*>(GetProcAddress(module, "RunTimeExecute")));
  if (!entry) {
    FreeLibrary(module);
    return nullptr;
  }
  return std::make_unique<Win32PluginLibrary>(module, entry);
}

}  // namespace kx
