#include "platform/win32/win32_programs.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

namespace kx {

bool Win32Programs::runHiddenAndWait(const std::string& program, const std::string& parameters) {
  SHELLEXECUTEINFOA launch{};
  launch.cbSize = sizeof launch;
  launch.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  launch.lpVerb = "open";
  launch.lpFile = program.c_str();
  launch.lpParameters = parameters.c_str();
  launch.nShow = SW_HIDE;
  if (!ShellExecuteExA(&launch)) {
    launch.lpVerb = nullptr;
    if (!ShellExecuteExA(&launch)) return false;
  }
  if (!launch.hProcess) return true;
  // The dialog on screen stays responsive: messages are handled at least once a second.
  constexpr DWORD kStepMilliseconds = 1000;
  for (;;) {
    const DWORD woken =
        MsgWaitForMultipleObjects(1, &launch.hProcess, FALSE, kStepMilliseconds, QS_ALLINPUT);
    if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED) break;
    ui_.processPendingMessages();
  }
  CloseHandle(launch.hProcess);
  return true;
}

}  // namespace kx
