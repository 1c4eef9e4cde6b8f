#include "AccessCheck.h"

#include <sddl.h>

#include <memory>
#include <vector>

#include "Utf.h"

namespace {

struct TLocalFree {
  void operator()(void* memory) const { LocalFree(memory); }
};

std::string SidText(PSID sid) {
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(sid, &text)) return std::string();
  std::unique_ptr<void, TLocalFree> held(text);
  return toolkit::Narrow(text);
}

}  // namespace

namespace {

// One part of this process's token; empty when it cannot be read.
std::vector<BYTE> TokenPart(TOKEN_INFORMATION_CLASS kind) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  DWORD size = 0;
  GetTokenInformation(token, kind, nullptr, 0, &size);
  std::vector<BYTE> buffer(size ? size : 1);
  if (!GetTokenInformation(token, kind, buffer.data(), size, &size)) buffer.clear();
  CloseHandle(token);
  return buffer;
}

}  // namespace

std::string AccountOwningItsObjects() {
  // New objects go to Administrators (an elevated run on Windows since
  // Vista): nothing more to trust. Elsewhere they go to the account, or to
  // one of its groups from which the system still names the account as the
  // owner of files (Wine).
  const std::vector<BYTE> owner = TokenPart(TokenOwner);
  if (owner.empty() ||
      IsTrustedAccount(SidText(reinterpret_cast<const TOKEN_OWNER*>(owner.data())->Owner), ""))
    return std::string();
  const std::vector<BYTE> user = TokenPart(TokenUser);
  return user.empty() ? std::string()
                      : SidText(reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid);
}

bool SecurityOf(HANDLE object, SE_OBJECT_TYPE type, TSecurity* security) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const SECURITY_INFORMATION parts = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  if (GetSecurityInfo(object, type, parts, nullptr, nullptr, nullptr, nullptr, &descriptor) !=
      ERROR_SUCCESS)
    return false;
  std::unique_ptr<void, TLocalFree> heldDescriptor(descriptor);
  wchar_t* text = nullptr;
  if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, parts,
                                                            &text, nullptr))
    return false;
  std::unique_ptr<void, TLocalFree> heldText(text);
  return ParseSecurity(toolkit::Narrow(text), security);
}

std::string OtherWhoMayChange(HANDLE object, SE_OBJECT_TYPE type, uint32_t rights) {
  TSecurity security;
  if (!SecurityOf(object, type, &security))
    return "nobody knows: its owner and access list cannot be read";
  const std::string who = OtherWhoMay(security, rights, AccountOwningItsObjects());
  return who.empty() ? who : AccountText(who);
}

std::string AccountText(const std::string& sid) {
  PSID binary = nullptr;
  if (!ConvertStringSidToSidW(toolkit::Widen(sid).c_str(), &binary)) return sid;
  std::unique_ptr<void, TLocalFree> held(binary);
  wchar_t name[256], domain[256];
  DWORD nameSize = 256, domainSize = 256;
  SID_NAME_USE use;
  if (!LookupAccountSidW(nullptr, binary, name, &nameSize, domain, &domainSize, &use)) return sid;
  const std::string prefix = domain[0] ? toolkit::Narrow(domain) + "\\" : std::string();
  return prefix + toolkit::Narrow(name) + " (" + sid + ")";
}

TSecurityAttributes::TSecurityAttributes(const wchar_t* sddl) {
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
          sddl, SDDL_REVISION_1, &attributes_.lpSecurityDescriptor, nullptr))
    attributes_.lpSecurityDescriptor = nullptr;
}

TSecurityAttributes::~TSecurityAttributes() {
  if (attributes_.lpSecurityDescriptor) LocalFree(attributes_.lpSecurityDescriptor);
}
