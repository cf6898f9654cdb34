#include "platform/win32/win32_services.h"

#include <windows.h>
// After windows.h, which they need.
#include <lm.h>
#include <tlhelp32.h>

#include <string>

#include "platform/win32/ansi_text.h"

namespace kx {
namespace {

const wchar_t* serverName(const std::wstring& computer) {
  return computer.empty() ? nullptr : computer.c_str();
}

// The share functions, bound at first use from the system folder's netapi32.dll: an import
// would let a netapi32.dll beside the setup be loaded in its stead.
struct ShareFunctions {
  decltype(&NetShareAdd) add = nullptr;
  decltype(&NetShareDel) remove = nullptr;
};

const ShareFunctions& shareFunctions() {
  static const ShareFunctions functions = [] {
    ShareFunctions bound;
    char folder[MAX_PATH];
    const UINT length = GetSystemDirectoryA(folder, sizeof folder);
    if (length == 0 || length >= sizeof folder) return bound;
    HMODULE library = LoadLibraryA((std::string(folder) + "\\netapi32.dll").c_str());
    if (!library) return bound;
    bound.add = reinterpret_cast<decltype(&NetShareAdd)>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, "NetShareAdd")));
    bound.remove = reinterpret_cast<decltype(&NetShareDel)>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, "NetShareDel")));
    return bound;
  }();
  return functions;
}

}  // namespace

std::vector<std::string> Win32MachineServices::runningPrograms() {
  std::vector<std::string> programs;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return programs;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
    programs.emplace_back(entry.szExeFile);
  CloseHandle(snapshot);
  return programs;
}

std::optional<uint32_t> Win32MachineServices::serviceState(const std::string& computer,
                                                           const std::string& service) {
  SC_HANDLE manager =
      OpenSCManagerA(computer.empty() ? nullptr : computer.c_str(), nullptr, SC_MANAGER_CONNECT);
  if (!manager) return std::nullopt;
  std::optional<uint32_t> state;
  if (SC_HANDLE opened = OpenServiceA(manager, service.c_str(), SERVICE_QUERY_STATUS)) {
    SERVICE_STATUS status{};
    if (QueryServiceStatus(opened, &status)) state = status.dwCurrentState;
    CloseServiceHandle(opened);
  }
  CloseServiceHandle(manager);
  return state;
}

bool Win32MachineServices::addShare(const Share& share) {
  std::wstring computer = wideFromAnsi(share.computer);
  std::wstring name = wideFromAnsi(share.name);
  std::wstring remark = wideFromAnsi(share.remark);
  std::wstring path = wideFromAnsi(share.path);
  SHARE_INFO_2 info{};
  info.shi2_netname = name.data();
  info.shi2_type = share.printer ? STYPE_PRINTQ : STYPE_DISKTREE;
  info.shi2_remark = remark.data();
  info.shi2_permissions = 255;
  info.shi2_max_uses = static_cast<DWORD>(-1);
  info.shi2_path = path.data();
  info.shi2_passwd = nullptr;
  DWORD badField = 0;
  const auto add = shareFunctions().add;
  return add && add(const_cast<wchar_t*>(serverName(computer)), 2, reinterpret_cast<BYTE*>(&info),
                    &badField) == NERR_Success;
}

bool Win32MachineServices::deleteShare(const std::string& computer, const std::string& name) {
  std::wstring server = wideFromAnsi(computer);
  std::wstring share = wideFromAnsi(name);
  const auto remove = shareFunctions().remove;
  return remove &&
         remove(const_cast<wchar_t*>(serverName(server)), share.data(), 0) == NERR_Success;
}

}  // namespace kx
