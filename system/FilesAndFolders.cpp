#include "FilesAndFolders.h"

#include <windows.h>
#include <shellapi.h>

#include "AccessCheck.h"
#include "Application.h"
#include "DeleteAtRestart.h"
#include "FullPath.h"
#include "SpecialFolders.h"
#include "Startup_win.h"
#include "SystemCalls.h"
#include "Utf.h"

#include <cctype>
#include <stdexcept>

bool CreateFolderWithRetry(const std::string& path, TRetryPrompt& prompt) {
  const std::wstring widePath = toolkit::Widen(path);
  for (;;) {
    DeleteFolderIfExists(path);
    if (syscalls::CreateFolder(widePath)) return true;
    if (!prompt.Retry("Не удается создать папку ", path)) return false;
  }
}

bool CreateProtectedFolderWithRetry(const std::string& path, TRetryPrompt& prompt) {
  const std::wstring widePath = toolkit::Widen(path);
  TSecurityAttributes security(kProductFolderSecurity);
  for (;;) {
    DeleteFolderIfExists(path);
    if (security.Get() && syscalls::CreateSecuredFolder(widePath, security.Get())) return true;
    if (!prompt.Retry("Не удается создать папку ", path)) return false;
  }
}

bool CopyFileWithRetry(const std::string& source, const std::string& destination,
                       TRetryPrompt& prompt) {
  const std::wstring wideSource = toolkit::Widen(source);
  const std::wstring wideDestination = toolkit::Widen(destination);
  for (;;) {
    if (syscalls::CopyFileTo(wideSource, wideDestination)) return true;
    if (!prompt.Retry("Не удается создать/скопировать файл ", source)) return false;
  }
}

void DeleteFolderIfExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(toolkit::Widen(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteTree(path);
  }
}

int DeleteTree(const std::string& path) {
  // A list of one entry, ended by an empty entry: the path, then two NULs.
  std::wstring from = toolkit::Widen(path);
  from.push_back(L'\0');
  from.push_back(L'\0');
  SHFILEOPSTRUCTW operation = {};
  operation.hwnd = toolkit::Application::Instance().ActiveWindow();
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  // No confirmation and no error UI (0x0410); never FOF_ALLOWUNDO (delete
  // outright). With the wizard long deletions show the shell's progress; a
  // silent run shows no window at all.
  operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI;
  static_assert((FOF_NOCONFIRMATION | FOF_NOERRORUI) == 0x0410, "the flags of a silent delete");
  if (ThisRunMode().Options.silent) operation.fFlags |= FOF_SILENT;
  return syscalls::ShellFileOperation(&operation);
}

namespace {

std::wstring WithoutTrailingSeparators(std::wstring path) {
  while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

}  // namespace

bool IsSameOrBelow(const std::string& path, const std::string& folder) {
  // "C:\PROGRA~1\x" lies below "C:\Program Files" as much as its long form.
  const std::wstring p = WithoutTrailingSeparators(toolkit::Widen(FullLongPath(path)));
  const std::wstring f = WithoutTrailingSeparators(toolkit::Widen(FullLongPath(folder)));
  if (f.empty() || p.size() < f.size()) return false;
  if (p.size() > f.size() && p[f.size()] != L'\\') return false;
  return CompareStringOrdinal(p.c_str(), static_cast<int>(f.size()), f.c_str(),
                              static_cast<int>(f.size()), TRUE) == CSTR_EQUAL;
}

uint64_t SizeOf(const std::string& path) {
  const std::wstring wide = toolkit::Widen(path);
  WIN32_FILE_ATTRIBUTE_DATA facts;
  if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &facts)) return 0;
  if (!(facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return (uint64_t{facts.nFileSizeHigh} << 32) | facts.nFileSizeLow;
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((wide + L"\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return 0;
  uint64_t total = 0;
  do {
    const std::wstring name = entry.cFileName;
    // A junction's target is not part of the tree.
    if (name == L"." || name == L".." || (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
      continue;
    total += SizeOf(toolkit::Narrow(wide + L"\\" + name));
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  return total;
}

int64_t FreeBytesOnDriveOf(const std::string& directory) {
  if (directory.empty() || !std::isalpha(static_cast<unsigned char>(directory[0]))) return -1;
  const wchar_t root[] = {wchar_t(std::toupper(static_cast<unsigned char>(directory[0]))), L':',
                          L'\\', 0};
  ULARGE_INTEGER available;
  if (!GetDiskFreeSpaceExW(root, &available, nullptr, nullptr)) return -1;
  return int64_t(available.QuadPart);
}

TTemporaryFile::TTemporaryFile(const std::string& in) {
  const std::wstring folder =
      toolkit::Widen(!in.empty() && in.size() < MAX_PATH ? in + "\\" : TemporaryFolder());
  if (folder.empty())
    throw std::runtime_error("no temporary file can be made in the temporary folder");
  // A name nobody holds: creating it fails when it exists, and the next is tried.
  const unsigned start = GetTickCount() ^ (GetCurrentProcessId() << 16);
  for (unsigned attempt = 0; attempt < 64; ++attempt) {
    wchar_t name[16];
    wsprintfW(name, L"map%04X.tmp", (start + attempt) & 0xFFFF);
    const std::wstring path = folder + name;
    const HANDLE file = syscalls::CreateFileAt(path, GENERIC_WRITE, 0, CREATE_NEW, 0);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      path_ = toolkit::Narrow(path);
      return;
    }
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  throw std::runtime_error("no temporary file can be made in the temporary folder");
}

TTemporaryFile::~TTemporaryFile() { DeleteNowOrAtRestart(path_); }
