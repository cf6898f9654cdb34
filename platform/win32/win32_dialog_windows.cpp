#include "platform/win32/win32_dialog_windows.h"

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include "platform/win32/dialog_window.h"

namespace kx {

void declareDpiAwareness() {
  using SetContextFunction = BOOL(WINAPI*)(HANDLE);
  HMODULE user32 = GetModuleHandleA("user32.dll");
  const auto setContext = reinterpret_cast<SetContextFunction>(
      reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")));
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2, then the first per-monitor awareness.
  if (setContext && (setContext(reinterpret_cast<HANDLE>(static_cast<intptr_t>(-4))) ||
                     setContext(reinterpret_cast<HANDLE>(static_cast<intptr_t>(-3))))) {
    return;
  }
  SetProcessDPIAware();
}

void dispatchWindowMessage(MSG& message) {
  if (HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr) {
    char className[32];
    if (GetClassNameA(root, className, sizeof className) &&
        lstrcmpA(className, kDialogWindowClass) == 0 && IsDialogMessageA(root, &message)) {
      return;
    }
  }
  TranslateMessage(&message);
  DispatchMessageA(&message);
}

Win32DialogWindows::Win32DialogWindows(PictureCodecs& pictures) : pictures_(pictures) {
  declareDpiAwareness();
}

std::unique_ptr<DialogWindow> Win32DialogWindows::create(DialogForm& form, DialogEvents& events) {
  if (!registered_) {
    // A drive or file control touching an empty drive raises no system prompt.
    SetErrorMode(SetErrorMode(0) | SEM_FAILCRITICALERRORS);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    if (commonControls().initCommonControlsEx) commonControls().initCommonControlsEx(&controls);
    Win32DialogWindow::registerClass(GetModuleHandleA(nullptr));
    registered_ = true;
  }
  return std::make_unique<Win32DialogWindow>(form, events, pictures_);
}

ScreenRect Win32DialogWindows::screenArea() {
  RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  return {area.left, area.top, area.right - area.left, area.bottom - area.top};
}

void Win32DialogWindows::processPendingMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) dispatchWindowMessage(message);
}

void Win32DialogWindows::handleOneMessage() {
  MSG message;
  if (GetMessageA(&message, nullptr, 0, 0) > 0) dispatchWindowMessage(message);
}

std::string Win32DialogWindows::pickFolder(WindowHandle owner, bool newFolderButton,
                                           const std::string& title) {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  char chosen[MAX_PATH] = {};
  BROWSEINFOA browse{};
  browse.hwndOwner = reinterpret_cast<HWND>(owner);
  browse.pszDisplayName = chosen;
  browse.lpszTitle = title.empty() ? nullptr : title.c_str();
  browse.ulFlags =
      BIF_RETURNONLYFSDIRS | (newFolderButton ? BIF_NEWDIALOGSTYLE : BIF_NONEWFOLDERBUTTON);
  std::string folder;
  if (PIDLIST_ABSOLUTE picked = SHBrowseForFolderA(&browse)) {
    if (SHGetPathFromIDListA(picked, chosen)) folder = chosen;
    CoTaskMemFree(picked);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return folder;
}

}  // namespace kx
