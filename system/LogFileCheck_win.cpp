#include "LogFileCheck_win.h"

#include "AccessCheck.h"

namespace {

// Its owner alone: the file lies in a folder where others create files, and
// what counts is that it is not one of theirs.
bool IsTrustedOwner(HANDLE file) {
  TSecurity security;
  return SecurityOf(file, SE_FILE_OBJECT, &security) &&
         IsTrustedAccount(security.owner, AccountOwningItsObjects());
}

}  // namespace

HANDLE OpenLogFile(const std::wstring& path, DWORD disposition, DWORD share) {
  return CreateFileW(path.c_str(), GENERIC_WRITE | READ_CONTROL, share, nullptr, disposition,
                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

bool IsOwnPlainFile(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(file, &information)) return false;
  const DWORD foreign = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
  return (information.dwFileAttributes & foreign) == 0 && information.nNumberOfLinks == 1 &&
         IsTrustedOwner(file);
}
