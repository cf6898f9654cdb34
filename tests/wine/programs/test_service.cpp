// A service of the tests' own: reports itself running and stops when asked to.
#include <windows.h>

namespace {

SERVICE_STATUS_HANDLE statusHandle = nullptr;
HANDLE stopRequested = nullptr;

void report(DWORD state) {
  SERVICE_STATUS status{};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
  SetServiceStatus(statusHandle, &status);
}

DWORD WINAPI control(DWORD code, DWORD, void*, void*) {
  if (code == SERVICE_CONTROL_STOP) {
    report(SERVICE_STOP_PENDING);
    SetEvent(stopRequested);
  }
  return NO_ERROR;
}

void WINAPI serviceMain(DWORD, char**) {
  statusHandle = RegisterServiceCtrlHandlerExA("", control, nullptr);
  if (!statusHandle) return;
  stopRequested = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  report(SERVICE_RUNNING);
  WaitForSingleObject(stopRequested, INFINITE);
  report(SERVICE_STOPPED);
}

}  // namespace

int main() {
  char name[] = "";
  SERVICE_TABLE_ENTRYA table[] = {{name, serviceMain}, {nullptr, nullptr}};
  return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
