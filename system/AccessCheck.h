// The trust rule of AccessRules.h applied to what the system says of an open
// object: a file or folder, a registry key, a kernel object. Read through a
// handle, so that what is judged is what is then used.
#pragma once

#include <windows.h>
#include <aclapi.h>

#include <string>

#include "AccessRules.h"

// The running account where the system makes what it creates belong to it
// (its token names it as the default owner: Wine, or a system without the
// administrators' group as owner); empty where new objects belong to
// Administrators. Only there is the account itself trusted: elsewhere its
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
