#include "JournalFolder.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <memory>
#include <vector>

#include "DeleteAtRestart.h"
#include "InstallLog.h"
#include "Product.h"
#include "SpecialFolders.h"
#include "SystemCalls.h"
#include "Utf.h"

namespace {

// Everything that changes a file or a folder, or what it holds, or who may.
constexpr DWORD kChangingRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                  FILE_DELETE_CHILD | FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC |
                                  WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

// Owner Administrators; Administrators and SYSTEM full control, for the
// folder and what it will hold; nothing inherited from above.
constexpr wchar_t kJournalFolderSecurity[] = L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";

struct TLocalFree {
  void operator()(void* memory) const { LocalFree(memory); }
};
using TLocalMemory = std::unique_ptr<void, TLocalFree>;

bool IsThisAccount(PSID sid) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  BYTE buffer[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)];
  DWORD size = 0;
  const bool got = GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) != 0;
  CloseHandle(token);
  return got && EqualSid(sid, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
}

// Administrators, the system, and the account this run belongs to: the
// setup runs elevated, so that account is an administrator here, and on
// some systems what it makes belongs to it rather than to Administrators
// (Wine: every file belongs to the account that runs it).
bool IsTrusted(PSID sid) {
  return IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
         IsWellKnownSid(sid, WinLocalSystemSid) || IsThisAccount(sid);
}

std::string SidText(PSID sid) {
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(sid, &text)) return "an unknown account";
  const std::string result = toolkit::Narrow(text);
  LocalFree(text);
  return result;
}

// The first entry of `dacl` that lets someone else change the object; empty
// when there is none. Entries that only pass on to what a folder will hold
// do not apply to the folder itself; denying entries take nothing away from
// this answer.
std::string OtherWriter(PACL dacl) {
  if (!dacl) return "its access list is empty: everyone may change it";
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    ACE_HEADER* header = nullptr;
    if (!GetAce(dacl, i, reinterpret_cast<void**>(&header))) return "its access list is damaged";
    if (header->AceFlags & INHERIT_ONLY_ACE) continue;
    if (header->AceType == ACCESS_DENIED_ACE_TYPE) continue;
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE)
      return "its access list has an entry of a kind not made here";
    auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
    PSID sid = &ace->SidStart;
    if ((ace->Mask & kChangingRights) && !IsTrusted(sid))
      return "its access list lets " + SidText(sid) + " change it";
  }
  return std::string();
}

}  // namespace

std::string JournalFolder() {
  const std::string common = CommonAppDataFolder();
  return common.empty() ? common : common + "\\" + kProductName;
}

std::string JournalPath() {
  const std::string folder = JournalFolder();
  return folder.empty() ? folder : folder + "\\Setup.journal";
}

bool OnlyAdministratorsCanChange(const std::string& path, std::string* why) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD status = GetNamedSecurityInfoW(toolkit::Widen(path).c_str(), SE_FILE_OBJECT,
                                             OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                             &owner, nullptr, &dacl, nullptr, &descriptor);
  if (status != ERROR_SUCCESS) {
    *why = "its owner and access list cannot be read (error " + std::to_string(status) + ")";
    return false;
  }
  TLocalMemory held(descriptor);
  if (!owner || !IsTrusted(owner)) {
    *why = "it belongs to " + (owner ? SidText(owner) : std::string("nobody"));
    return false;
  }
  *why = OtherWriter(dacl);
  return why->empty();
}

std::string FreeAsideName(const std::string& path) {
  const unsigned seed = GetTickCount() * 2654435761u ^ GetCurrentProcessId();
  for (unsigned attempt = 0;; ++attempt) {
    char suffix[16];
    wsprintfA(suffix, ".~%08X", seed + attempt * 0x9E3779B9u);
    if (GetFileAttributesW(toolkit::Widen(path + suffix).c_str()) == INVALID_FILE_ATTRIBUTES)
      return path + suffix;
  }
}

bool PrepareJournalFolder(TInstallLog& log, std::string* error) {
  const std::string folder = JournalFolder();
  if (folder.empty()) {
    *error = "the common application data folder cannot be found";
    return false;
  }
  const std::wstring wide = toolkit::Widen(folder);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  std::string why;
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && OnlyAdministratorsCanChange(folder, &why))
      return true;
    const std::string aside = FreeAsideName(folder);
    if (!syscalls::MoveEntry(wide, toolkit::Widen(aside), 0)) {
      *error = "the journal folder " + folder + " is not the setup's (" + why +
               ") and cannot be renamed (system error " + std::to_string(GetLastError()) + ")";
      return false;
    }
    log.Write("renamed aside: " + folder + " -> " + aside + ", not the setup's (" + why + ")");
  }
  SECURITY_ATTRIBUTES security{sizeof security, nullptr, FALSE};
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
          kJournalFolderSecurity, SDDL_REVISION_1, &security.lpSecurityDescriptor, nullptr)) {
    *error = "no access list can be made for " + folder;
    return false;
  }
  TLocalMemory held(security.lpSecurityDescriptor);
  if (!syscalls::CreateSecuredFolder(wide, &security)) {
    *error = "cannot create the journal folder " + folder + " (system error " +
             std::to_string(GetLastError()) + ")";
    return false;
  }
  return true;
}

void RemoveScratchFiles(TInstallLog& log) {
  const std::string folder = JournalFolder();
  std::string why;
  if (folder.empty() || !OnlyAdministratorsCanChange(folder, &why)) return;
  std::vector<std::string> scratch;
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW(toolkit::Widen(folder + "\\map????.tmp").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      scratch.push_back(folder + "\\" + toolkit::Narrow(entry.cFileName));
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  for (const std::string& path : scratch)
    if (DeleteNowOrAtRestart(path)) log.Write("deleted: " + path + ", left by an interrupted run");
}
