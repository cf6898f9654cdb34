#include "platform/win32/win32_access_control.h"

#include <windows.h>
// After windows.h, which it needs.
#include <aclapi.h>

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace kx {
namespace {

SE_OBJECT_TYPE objectType(SecuredKind kind) {
  switch (kind) {
    case SecuredKind::FileOrFolder:
      return SE_FILE_OBJECT;
    case SecuredKind::Share:
      return SE_LMSHARE;
    case SecuredKind::RegistryKey:
      return SE_REGISTRY_KEY;
    case SecuredKind::Service:
      return SE_SERVICE;
    case SecuredKind::Printer:
      return SE_PRINTER;
  }
  return SE_UNKNOWN_OBJECT_TYPE;
}

// The security functions name a key's root without the "HKEY_" of its full name.
std::string securityName(SecuredKind kind, const std::string& name) {
  if (kind != SecuredKind::RegistryKey) return name;
  constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kRoots = {{
      {"HKEY_CLASSES_ROOT", "CLASSES_ROOT"},
      {"HKEY_CURRENT_USER", "CURRENT_USER"},
      {"HKEY_LOCAL_MACHINE", "MACHINE"},
      {"HKEY_USERS", "USERS"},
  }};
  for (const auto& [full, known] : kRoots) {
    if (name.size() < full.size() || (name.size() > full.size() && name[full.size()] != '\\'))
      continue;
    if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name.data(),
                       static_cast<int>(full.size()), full.data(),
                       static_cast<int>(full.size())) == CSTR_EQUAL)
      return std::string(known) + name.substr(full.size());
  }
  return name;
}

using Sid = std::vector<BYTE>;

std::optional<Sid> wellKnownSid(WELL_KNOWN_SID_TYPE type) {
  Sid sid(SECURITY_MAX_SID_SIZE);
  DWORD size = static_cast<DWORD>(sid.size());
  if (!CreateWellKnownSid(type, nullptr, sid.data(), &size)) return std::nullopt;
  sid.resize(size);
  return sid;
}

std::optional<Sid> processUserSid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return std::nullopt;
  std::vector<BYTE> buffer(256);
  DWORD size = 0;
  BOOL read = GetTokenInformation(token, TokenUser, buffer.data(),
                                  static_cast<DWORD>(buffer.size()), &size);
  if (!read && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    buffer.resize(size);
    read = GetTokenInformation(token, TokenUser, buffer.data(), size, &size);
  }
  CloseHandle(token);
  if (!read) return std::nullopt;
  PSID user = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  const auto* bytes = static_cast<const BYTE*>(user);
  return Sid(bytes, bytes + GetLengthSid(user));
}

std::optional<Sid> accountSid(const std::string& name) {
  Sid sid(SECURITY_MAX_SID_SIZE);
  DWORD size = static_cast<DWORD>(sid.size());
  char domain[256];
  DWORD domainSize = sizeof domain;
  SID_NAME_USE use;
  if (!LookupAccountNameA(nullptr, name.c_str(), sid.data(), &size, domain, &domainSize, &use))
    return std::nullopt;
  sid.resize(GetLengthSid(sid.data()));
  return sid;
}

std::optional<Sid> sidOf(const Account& account) {
  switch (account.kind) {
    case Account::Kind::Everyone:
      return wellKnownSid(WinWorldSid);
    case Account::Kind::AuthenticatedUsers:
      return wellKnownSid(WinAuthenticatedUserSid);
    case Account::Kind::SetupUser:
      return processUserSid();
    case Account::Kind::Named:
      return accountSid(account.name);
  }
  return std::nullopt;
}

// The account of an allowing or denying entry; null for the kinds that name none this way.
PSID entrySid(const std::vector<BYTE>& entry) {
  const auto* header = reinterpret_cast<const ACE_HEADER*>(entry.data());
  if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_DENIED_ACE_TYPE)
    return nullptr;
  return const_cast<DWORD*>(&reinterpret_cast<const ACCESS_ALLOWED_ACE*>(entry.data())->SidStart);
}

class Win32SecuredObject : public SecuredObject {
 public:
  Win32SecuredObject(SE_OBJECT_TYPE type, std::string name, PACL list)
      : type_(type), name_(std::move(name)), present_(list != nullptr) {
    if (!list) return;
    revision_ = list->AclRevision;
    for (DWORD i = 0; i < list->AceCount; ++i) {
      void* entry = nullptr;
      if (!GetAce(list, i, &entry)) continue;
      const auto* bytes = static_cast<const BYTE*>(entry);
      entries_.emplace_back(bytes, bytes + static_cast<const ACE_HEADER*>(entry)->AceSize);
    }
  }

  bool removeEntries(const Account& account) override {
    const std::optional<Sid> sid = sidOf(account);
    if (!sid) return false;
    std::erase_if(entries_, [&](const std::vector<BYTE>& entry) {
      PSID owner = entrySid(entry);
      return owner && EqualSid(owner, const_cast<BYTE*>(sid->data()));
    });
    return true;
  }

  bool allow(const Account& account, uint32_t mask, uint8_t inheritance) override {
    const std::optional<Sid> sid = sidOf(account);
    if (!sid) return false;
    const size_t size = offsetof(ACCESS_ALLOWED_ACE, SidStart) + sid->size();
    std::vector<BYTE> entry(size);
    auto* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(entry.data());
    allowed->Header.AceType = ACCESS_ALLOWED_ACE_TYPE;
    allowed->Header.AceFlags = inheritance;
    allowed->Header.AceSize = static_cast<WORD>(size);
    allowed->Mask = mask;
    CopySid(static_cast<DWORD>(sid->size()), &allowed->SidStart, const_cast<BYTE*>(sid->data()));
    entries_.push_back(std::move(entry));
    present_ = true;
    return true;
  }

  void clearList() override {
    entries_.clear();
    present_ = true;
  }
  void removeList() override {
    entries_.clear();
    present_ = false;
  }

  bool write() override {
    std::vector<BYTE> list;
    if (present_) {
      size_t size = sizeof(ACL);
      for (const auto& entry : entries_) size += entry.size();
      list.resize(size);
      PACL acl = reinterpret_cast<PACL>(list.data());
      if (!InitializeAcl(acl, static_cast<DWORD>(size), revision_)) return false;
      for (const auto& entry : entries_)
        if (!AddAce(acl, revision_, MAXDWORD, const_cast<BYTE*>(entry.data()),
                    static_cast<DWORD>(entry.size())))
          return false;
    }
    PACL acl = present_ ? reinterpret_cast<PACL>(list.data()) : nullptr;
    return SetNamedSecurityInfoA(name_.data(), type_, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                 acl, nullptr) == ERROR_SUCCESS;
  }

 private:
  SE_OBJECT_TYPE type_;
  std::string name_;
  bool present_;
  DWORD revision_ = ACL_REVISION;
  std::vector<std::vector<BYTE>> entries_;
};

}  // namespace

std::unique_ptr<SecuredObject> Win32AccessControl::open(SecuredKind kind, const std::string& name) {
  const SE_OBJECT_TYPE type = objectType(kind);
  std::string named = securityName(kind, name);
  PACL list = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoA(named.data(), type, DACL_SECURITY_INFORMATION, nullptr, nullptr, &list,
                            nullptr, &descriptor) != ERROR_SUCCESS)
    return nullptr;
  auto object = std::make_unique<Win32SecuredObject>(type, std::move(named), list);
  LocalFree(descriptor);
  return object;
}

}  // namespace kx
