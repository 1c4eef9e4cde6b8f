// Who may change what the setup relies on. The setup runs with administrator
// rights, so a folder, a file or a kernel object that anyone else may change
// (or delete, or rename, or give themselves the rights to) hands that user
// what the setup does with it. The rule is one: Administrators, SYSTEM and
// TrustedInstaller are trusted, and the running account only where the system
// makes what an account creates belong to that account (then its own files
// name it as owner). An object is read as its security descriptor in the
// system's text form (SDDL): its owner and its access list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rights {

// Rights, as the system numbers them for files and folders.
constexpr uint32_t kWriteData = 0x2;   // a file's data; a folder: add a file
constexpr uint32_t kAppendData = 0x4;  // a folder: add a sub-folder
constexpr uint32_t kWriteEa = 0x10;
constexpr uint32_t kDeleteChild = 0x40;  // delete (and so rename) what a folder holds
constexpr uint32_t kWriteAttributes = 0x100;
constexpr uint32_t kDelete = 0x10000;
constexpr uint32_t kWriteDac = 0x40000;
constexpr uint32_t kWriteOwner = 0x80000;
constexpr uint32_t kGenericAll = 0x10000000;
constexpr uint32_t kGenericWrite = 0x40000000;

// Whoever may rewrite the access list or take the object may then do anything.
constexpr uint32_t kTakeOver = kWriteDac | kWriteOwner | kGenericAll;
// Everything that changes an object, what it holds, or who may.
constexpr uint32_t kChange = kWriteData | kAppendData | kWriteEa | kDeleteChild | kWriteAttributes |
                             kDelete | kGenericWrite | kTakeOver;
// Deleting or renaming the object itself.
constexpr uint32_t kRemove = kDelete | kTakeOver;
// Deleting or renaming what a folder holds.
constexpr uint32_t kRemoveInside = kDeleteChild | kTakeOver;

}  // namespace rights

// One entry of an access list, as far as the rule needs it.
struct TAccessEntry {
  enum Kind { kAllow, kDeny, kOther } kind = kAllow;
  bool inheritOnly = false;  // passed on to what a folder will hold, not its own
  uint32_t rights = 0;
  std::string account;  // a SID, "S-1-..."
};

struct TSecurity {
  std::string owner;     // a SID; empty when the descriptor names none
  bool hasList = false;  // no list at all lets everyone do everything
  std::vector<TAccessEntry> entries;
};

// The owner and the access list of an SDDL text. Accounts written as the
// system's two-letter names are given as their SIDs. False when the text is
// not one the system writes.
bool ParseSecurity(const std::string& sddl, TSecurity* security);

// True for Administrators, SYSTEM, TrustedInstaller and `self` (the running
// account where its objects belong to it; empty elsewhere).
bool IsTrustedAccount(const std::string& sid, const std::string& self);

// Who besides the trusted accounts may do any of `rights` to the object: the
// owner if it is not trusted (an owner may always rewrite the list), else the
// first allowing entry of someone else that applies to the object itself;
// "S-1-1-0" (Everyone) without a list. Empty when nobody. Deny entries are
// passed over: they can only take rights away. An entry of another kind (an
// object or conditional entry, never written by the system for files) counts
// as someone else's.
std::string OtherWhoMay(const TSecurity& security, uint32_t rights, const std::string& self);

// What a folder's parent check needs to know about one folder.
struct TFolderFacts {
  std::string path;
  bool missing = false;  // nothing stands there (yet): nothing of it to move
  bool known = false;    // its owner and access list could be read
  bool reparsePoint = false;
  TSecurity security;
};

// The folders whose owners and entries decide who may move `directory`
// elsewhere: its parent, the parent's parent, ... up to the root, nearest
// first ("C:\A\B" gives "C:\A", "C:\"). Empty for a root or a path without
// a drive.
std::vector<std::string> ParentsOf(const std::string& directory);

// Why another user could put a folder of their own where the install folder
// is: one of its parents (`parents`, nearest first, as ParentsOf names them)
// may be deleted or renamed by someone untrusted (rights on the folder itself,
// or on what its own parent holds), or is a link. Empty `folder` when none.
struct TParentVerdict {
  std::string folder;   // the folder that others can change
  std::string account;  // who can (empty when the folder is a link or unreadable)
  std::string why;      // for the log, after the account
};
TParentVerdict ChangeableParent(const std::vector<TFolderFacts>& parents, const std::string& self);
