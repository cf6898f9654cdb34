#include "platform/win32/win32_user_interface.h"

#include <windows.h>

#include "platform/win32/win32_dialog_windows.h"

namespace kx {

Win32UserInterface::Win32UserInterface() : interpreterThread_(GetCurrentThreadId()) {}

MessageAnswer Win32UserInterface::messageBox(const MessageBoxRequest& request) {
  static constexpr UINT icons[] = {MB_ICONINFORMATION, MB_ICONQUESTION, MB_ICONWARNING,
                                   MB_ICONERROR};
  static constexpr UINT buttons[] = {MB_ABORTRETRYIGNORE, MB_OK,    MB_OKCANCEL,
                                     MB_RETRYCANCEL,      MB_YESNO, MB_YESNOCANCEL};
  static constexpr UINT defaults[] = {MB_DEFBUTTON1, MB_DEFBUTTON2, MB_DEFBUTTON3};
  const auto icon = static_cast<size_t>(request.icon);
  const auto button = static_cast<size_t>(request.buttons);
  const auto byDefault = static_cast<size_t>(request.defaultButton - 1);
  const UINT style = (icon < 4 ? icons[icon] : MB_ICONINFORMATION) |
                     (button < 6 ? buttons[button] : MB_OK) |
                     (byDefault < 3 ? defaults[byDefault] : MB_DEFBUTTON1);
  switch (MessageBoxA(reinterpret_cast<HWND>(request.owner), request.text.c_str(),
                      request.caption.c_str(), style)) {
    case IDCANCEL:
      return MessageAnswer::Cancel;
    case IDABORT:
      return MessageAnswer::Abort;
    case IDRETRY:
      return MessageAnswer::Retry;
    case IDIGNORE:
      return MessageAnswer::Ignore;
    case IDYES:
      return MessageAnswer::Yes;
    case IDNO:
      return MessageAnswer::No;
    default:
      return MessageAnswer::Ok;
  }
}

void Win32UserInterface::processPendingMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) dispatchWindowMessage(message);
}

void Win32UserInterface::wakeMessageLoop() {
  PostThreadMessageA(interpreterThread_, WM_NULL, 0, 0);
}

void Win32UserInterface::handleOneMessage() {
  MSG message;
  if (GetMessageA(&message, nullptr, 0, 0) > 0) dispatchWindowMessage(message);
}

}  // namespace kx
