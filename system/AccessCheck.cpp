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

std::string AccountOwningItsObjects() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return std::string();
  DWORD size = 0;
  GetTokenInformation(token, TokenOwner, nullptr, 0, &size);
  std::vector<BYTE> buffer(size ? size : 1);
  const bool got = GetTokenInformation(token, TokenOwner, buffer.data(), size, &size) != 0;
  CloseHandle(token);
  if (!got) return std::string();
  const std::string owner = SidText(reinterpret_cast<TOKEN_OWNER*>(buffer.data())->Owner);
  // Administrators or the system as the default owner: nothing more to trust.
  return IsTrustedAccount(owner, std::string()) ? std::string() : owner;
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
