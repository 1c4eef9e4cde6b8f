// The trust rule of AccessRules.h applied to what the system says of an open
// object: a file or folder, a registry key, a kernel object. Read through a
// handle, so that what is judged is what is then used.
#pragma once

#include <windows.h>
#include <aclapi.h>

#include <string>

#include "AccessRules.h"

// The running account where the system does not make what an elevated run
// creates belong to Administrators (the token's default owner is the
// account or one of its groups: Wine, or a system set up that way): its
// files then name it as owner. Empty where new objects belong to
// Administrators: only there is the account not trusted, since its
// programs without administrator rights run under the same account.
std::string AccountOwningItsObjects();

// The owner and access list of an open object; false when they cannot be read.
bool SecurityOf(HANDLE object, SE_OBJECT_TYPE type, TSecurity* security);

// Who besides the trusted accounts may do any of `rights` to the object, as
// text for the log; empty when nobody.
std::string OtherWhoMayChange(HANDLE object, SE_OBJECT_TYPE type,
                              uint32_t rights = rights::kChange);

// An account for the log: "NAME (SID)", or the SID alone when it has no name.
std::string AccountText(const std::string& sid);

// The access list the setup gives the folders it makes for the product:
// owner Administrators; Administrators and SYSTEM full control, Users read
// and execute, for the folder and all it will hold; nothing taken from the
// folder above (what a root or a user's folder would pass on lets other
// users change the installed programs). The same as the system's program
// files folder gives what is made in it.
constexpr wchar_t kProductFolderSecurity[] =
    L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)";

// Security attributes made from an SDDL text, released with this object;
// Get() is null when the text could not be made into a descriptor.
class TSecurityAttributes {
 public:
  explicit TSecurityAttributes(const wchar_t* sddl);
  ~TSecurityAttributes();
  TSecurityAttributes(const TSecurityAttributes&) = delete;
  TSecurityAttributes& operator=(const TSecurityAttributes&) = delete;
  SECURITY_ATTRIBUTES* Get() { return attributes_.lpSecurityDescriptor ? &attributes_ : nullptr; }

 private:
  SECURITY_ATTRIBUTES attributes_{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
};
