// Prints an object's access list as the system's security functions read it back:
//   kx_security_reader file|key NAME   one line per entry, "TYPE SID MASK FLAGS" in hexadecimal,
//                                      "NO LIST" without a list, "EMPTY" for a list without entries
//   kx_security_reader user            the SID of the process's user
#include <windows.h>
// After windows.h, which they need.
#include <aclapi.h>
#include <sddl.h>

#include <cstdio>
#include <cstring>

namespace {

void printSid(PSID sid) {
  char* text = nullptr;
  if (!ConvertSidToStringSidA(sid, &text)) {
    std::printf("?");
    return;
  }
  std::printf("%s", text);
  LocalFree(text);
}

int printUser() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return 1;
  BYTE buffer[512];
  DWORD size = 0;
  if (!GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size)) return 1;
  printSid(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
  std::printf("\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "user") == 0) return printUser();
  if (argc != 3) return 2;
  const SE_OBJECT_TYPE type = std::strcmp(argv[1], "key") == 0 ? SE_REGISTRY_KEY : SE_FILE_OBJECT;
  PACL list = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD error = GetNamedSecurityInfoA(argv[2], type, DACL_SECURITY_INFORMATION, nullptr,
                                            nullptr, &list, nullptr, &descriptor);
  if (error != ERROR_SUCCESS) {
    std::printf("ERROR %lu\n", error);
    return 1;
  }
  if (!list) std::printf("NO LIST\n");
  if (list && list->AceCount == 0) std::printf("EMPTY\n");
  for (DWORD i = 0; list && i < list->AceCount; ++i) {
    void* entry = nullptr;
    if (!GetAce(list, i, &entry)) continue;
    const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
    std::printf("%s ", allowed->Header.AceType == ACCESS_ALLOWED_ACE_TYPE  ? "ALLOW"
                       : allowed->Header.AceType == ACCESS_DENIED_ACE_TYPE ? "DENY"
                                                                           : "OTHER");
    printSid(const_cast<DWORD*>(&allowed->SidStart));
    std::printf(" %lX %X\n", allowed->Mask, allowed->Header.AceFlags);
  }
  LocalFree(descriptor);
  return 0;
}
