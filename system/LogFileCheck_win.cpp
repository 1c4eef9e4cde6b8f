#include "LogFileCheck_win.h"

#include <aclapi.h>

#include <vector>

namespace {

bool IsThisUser(PSID sid) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<BYTE> buffer(size ? size : 1);
  const bool same = GetTokenInformation(token, TokenUser, buffer.data(), size, &size) &&
                    EqualSid(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, sid);
  CloseHandle(token);
  return same;
}

bool IsTrustedOwner(HANDLE file) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                      nullptr, &descriptor) != ERROR_SUCCESS)
    return false;
  const bool trusted = owner && (IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
                                 IsWellKnownSid(owner, WinLocalSystemSid) || IsThisUser(owner));
  LocalFree(descriptor);
  return trusted;
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
