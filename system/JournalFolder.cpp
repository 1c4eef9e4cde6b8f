#include "JournalFolder.h"

#include <windows.h>
#include <sddl.h>
#include <shlobj.h>

#include <memory>
#include <vector>

#include "AccessCheck.h"
#include "DeleteAtRestart.h"
#include "InstallLog.h"
#include "Product.h"
#include "SpecialFolders.h"
#include "SystemCalls.h"
#include "Utf.h"

namespace {

// Owner Administrators; Administrators and SYSTEM full control, for the
// folder and what it will hold; nothing inherited from above.
constexpr wchar_t kJournalFolderSecurity[] = L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";

}  // namespace

// Below a folder where only administrators may create anything: in the
// common application data any user may make the journal's folder first,
// and own it.
std::string JournalFolder() {
  const std::string common = CommonProgramFilesFolder();
  return common.empty() ? common : common + "\\" + kProductName;
}

std::string JournalPath() {
  const std::string folder = JournalFolder();
  return folder.empty() ? folder : folder + "\\Setup.journal";
}

bool OnlyAdministratorsCanChange(const std::string& path, std::string* why) {
  // Opened without following a link: a link to a folder of the
  // administrators' would pass for it and could be turned elsewhere later.
  const HANDLE object =
      CreateFileW(toolkit::Widen(path).c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (object == INVALID_HANDLE_VALUE) {
    *why = "it cannot be opened (system error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  BY_HANDLE_FILE_INFORMATION facts;
  if (!GetFileInformationByHandle(object, &facts) ||
      (facts.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    CloseHandle(object);
    *why = "it is a link to another place";
    return false;
  }
  // A second name of a file may lie where others can reach it.
  if (!(facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && facts.nNumberOfLinks != 1) {
    CloseHandle(object);
    *why = "it has more than one name";
    return false;
  }
  const std::string who = OtherWhoMayChange(object, SE_FILE_OBJECT);
  CloseHandle(object);
  *why = who.empty() ? who : who + " may change it";
  return who.empty();
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
    *error = "the common program files folder cannot be found";
    return false;
  }
  std::string why;
  const std::string parent = CommonProgramFilesFolder();
  if (!OnlyAdministratorsCanChange(parent, &why)) {
    *error = "the journal cannot be kept in " + parent + ": " + why;
    return false;
  }
  const std::wstring wide = toolkit::Widen(folder);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
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
  TSecurityAttributes security(kJournalFolderSecurity);
  if (!security.Get()) {
    *error = "no access list can be made for " + folder;
    return false;
  }
  if (!syscalls::CreateSecuredFolder(wide, security.Get())) {
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
