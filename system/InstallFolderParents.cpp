#include "InstallFolderParents.h"

#include "AccessCheck.h"
#include "Utf.h"

namespace {

TFolderFacts FactsOf(const std::string& path) {
  TFolderFacts facts;
  facts.path = path;
  const HANDLE folder =
      CreateFileW(toolkit::Widen(path).c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (folder == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    facts.missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return facts;
  }
  BY_HANDLE_FILE_INFORMATION information;
  facts.known = GetFileInformationByHandle(folder, &information) &&
                SecurityOf(folder, SE_FILE_OBJECT, &facts.security);
  facts.reparsePoint = facts.known && (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
  CloseHandle(folder);
  return facts;
}

}  // namespace

TParentVerdict ChangeableParentOf(const std::string& directory) {
  std::vector<TFolderFacts> parents;
  for (const std::string& path : ParentsOf(directory)) parents.push_back(FactsOf(path));
  return ChangeableParent(parents, AccountOwningItsObjects());
}

std::string ChangeableParentText(const TParentVerdict& verdict) {
  if (verdict.folder.empty()) return std::string();
  const std::string who = verdict.account.empty() ? "" : AccountText(verdict.account) + " ";
  return "the folder " + verdict.folder + " can be changed by other users: " + who + verdict.why;
}
