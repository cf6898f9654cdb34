#include "platform/win32/win32_programs.h"

#include <windows.h>
// After windows.h, which they need.
#include <aclapi.h>
#include <shellapi.h>

namespace kx {
namespace {

// Waits in slices of 1000 ms until the process has ended or the cancel request is set; with a
// user interface its messages are handled as they come.
void waitForProcess(HANDLE process, const std::atomic<bool>* cancel, UserInterface* ui) {
  constexpr DWORD kSliceMilliseconds = 1000;
  while (!(cancel && *cancel)) {
    const DWORD woken =
        ui ? MsgWaitForMultipleObjects(1, &process, FALSE, kSliceMilliseconds, QS_ALLINPUT)
           : WaitForSingleObject(process, kSliceMilliseconds);
    if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED) return;
    if (ui) ui->processPendingMessages();
  }
}

int32_t reportedExitCode(HANDLE process) {
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  return static_cast<int32_t>(code);
}

// The name of a window station or desktop; empty when it cannot be read.
std::string objectName(HANDLE object) {
  char name[256] = {};
  DWORD needed = 0;
  if (!GetUserObjectInformationA(object, UOI_NAME, name, sizeof name - 1, &needed)) return {};
  return name;
}

// Every account gets full access: the object is given a null access-control list.
bool openToEveryone(HANDLE object) {
  return SetSecurityInfo(object, SE_WINDOW_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                         nullptr, nullptr) == ERROR_SUCCESS;
}

// Each line of the text an entry, the block ended by an empty entry.
std::string environmentBlock(const std::string& text) {
  std::string block;
  for (const char c : text) {
    if (c == '\r') continue;
    block += c == '\n' ? '\0' : c;
  }
  block.append(2, '\0');
  return block;
}

// What a start as another user holds until it is over.
struct UserStartHandles {
  HANDLE token = nullptr;
  HWINSTA station = nullptr;
  HDESK desktop = nullptr;
  PROCESS_INFORMATION process{};
  UserStartHandles() = default;
  UserStartHandles(const UserStartHandles&) = delete;
  UserStartHandles& operator=(const UserStartHandles&) = delete;
  ~UserStartHandles() {
    if (token) CloseHandle(token);
    if (desktop) CloseDesktop(desktop);
    if (station) CloseWindowStation(station);
    if (process.hThread) CloseHandle(process.hThread);
    if (process.hProcess) CloseHandle(process.hProcess);
  }
};

// Adds a top-level window to the list `found` points to.
BOOL CALLBACK collectWindow(HWND window, LPARAM found) {
  constexpr int kLongest = 260;
  char className[kLongest + 1] = {};
  char title[kLongest + 1] = {};
  GetClassNameA(window, className, sizeof className);
  GetWindowTextA(window, title, sizeof title);
  reinterpret_cast<std::vector<TopLevelWindow>*>(found)->push_back(
      {reinterpret_cast<WindowHandle>(window), className, title});
  return TRUE;
}

}  // namespace

std::optional<int32_t> Win32Programs::runThroughShell(const ShellStart& start) {
  SHELLEXECUTEINFOA launch{};
  launch.cbSize = sizeof launch;
  launch.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  launch.lpVerb = "open";
  launch.lpFile = start.file.c_str();
  launch.lpParameters = start.parameters.c_str();
  launch.nShow = start.shown ? SW_SHOW : SW_HIDE;
  if (!ShellExecuteExA(&launch)) {
    launch.lpVerb = nullptr;
    if (!ShellExecuteExA(&launch)) return std::nullopt;
  }
  // A document handed to a program that was running already comes without a process.
  if (!launch.hProcess) return 0;
  if (start.wait)
    waitForProcess(launch.hProcess, start.cancel, start.handleMessages ? &ui_ : nullptr);
  const int32_t exitCode = reportedExitCode(launch.hProcess);
  CloseHandle(launch.hProcess);
  return exitCode;
}

int32_t Win32Programs::runAsUser(const UserStart& start) {
  UserStartHandles handles;
  std::string desktopPath;
  std::string title;
  const bool asUser = !start.user.empty();
  if (asUser) {
    if (!LogonUserA(start.user.c_str(), start.domain.c_str(), start.password.c_str(),
                    LOGON32_LOGON_INTERACTIVE, LOGON32_PROVIDER_DEFAULT, &handles.token)) {
      handles.token = nullptr;
      switch (GetLastError()) {
        case ERROR_ACCESS_DENIED:
          return run_as_codes::kLogonAccessDenied;
        case ERROR_PRIVILEGE_NOT_HELD:
          return run_as_codes::kLogonPrivilegeNotHeld;
        case ERROR_LOGON_FAILURE:
          return run_as_codes::kLogonFailure;
        default:
          return run_as_codes::kLogonOther;
      }
    }
    std::string stationName = objectName(GetProcessWindowStation());
    if (stationName.empty()) stationName = "WinSta0";
    std::string desktopName = objectName(GetThreadDesktop(GetCurrentThreadId()));
    if (desktopName.empty()) desktopName = "Default";
    handles.station = OpenWindowStationA(stationName.c_str(), FALSE, READ_CONTROL | WRITE_DAC);
    if (!handles.station || !openToEveryone(handles.station)) return run_as_codes::kStationAccess;
    handles.desktop = OpenDesktopA(desktopName.c_str(), 0, FALSE, READ_CONTROL | WRITE_DAC);
    if (!handles.desktop || !openToEveryone(handles.desktop)) return run_as_codes::kDesktopAccess;
    desktopPath = stationName + "\\" + desktopName;
    title = start.domain + start.user;
  }

  STARTUPINFOA info{};
  info.cb = sizeof info;
  info.dwFlags = STARTF_USESHOWWINDOW;
  info.wShowWindow = static_cast<WORD>(start.showCommand);
  if (asUser) {
    info.lpDesktop = desktopPath.data();
    info.lpTitle = title.data();
  }
  std::string commandLine = start.commandLine;
  std::string environment = environmentBlock(start.environment);
  void* block = start.environment.empty() ? nullptr : environment.data();
  const char* folder = start.folder.empty() ? nullptr : start.folder.c_str();
  if (asUser) {
    if (!CreateProcessAsUserA(handles.token, nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                              CREATE_NEW_CONSOLE | CREATE_NEW_PROCESS_GROUP, block, folder, &info,
                              &handles.process)) {
      handles.process = {};
      switch (GetLastError()) {
        case ERROR_FILE_NOT_FOUND:
          return run_as_codes::kStartFileNotFound;
        case ERROR_PRIVILEGE_NOT_HELD:
          return run_as_codes::kStartPrivilegeNotHeld;
        default:
          return run_as_codes::kStartOther;
      }
    }
  } else if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                             CREATE_NEW_CONSOLE, block, folder, &info, &handles.process)) {
    handles.process = {};
    return run_as_codes::kStartOwnAccount;
  }
  if (start.wait) waitForProcess(handles.process.hProcess, start.cancel, nullptr);
  return reportedExitCode(handles.process.hProcess);
}

std::vector<TopLevelWindow> Win32Programs::topLevelWindows() {
  std::vector<TopLevelWindow> windows;
  EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

void Win32Programs::askToClose(WindowHandle window) {
  const HWND handle = reinterpret_cast<HWND>(window);
  PostMessageA(handle, WM_CANCELMODE, 0, 0);
  PostMessageA(handle, WM_CLOSE, 0, 0);
}

}  // namespace kx
