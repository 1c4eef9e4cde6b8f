#include "FlushToDisk.h"

#include "RegistryKey.h"
#include "SystemCalls.h"
#include "Utf.h"

namespace {

// A flush needs a handle open for writing: a read-only file's attribute is
// lifted for the moment and put back. Folders open as themselves.
bool FlushOne(const std::wstring& path, DWORD attributes) {
  const bool readOnly =
      (attributes & FILE_ATTRIBUTE_READONLY) && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  if (readOnly && !syscalls::SetAttributesOf(path, attributes & ~FILE_ATTRIBUTE_READONLY))
    return false;
  const HANDLE file = syscalls::CreateFileAt(path, GENERIC_WRITE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  bool flushed = file != INVALID_HANDLE_VALUE && syscalls::FlushFile(file);
  DWORD error = GetLastError();
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (readOnly && !syscalls::SetAttributesOf(path, attributes)) {
    error = flushed ? GetLastError() : error;
    flushed = false;
  }
  SetLastError(error);
  return flushed;
}

bool FlushBelow(const std::wstring& path, DWORD attributes) {
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    WIN32_FIND_DATAW entry;
    const HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool all = true;
    do {
      const std::wstring name = entry.cFileName;
      if (name != L"." && name != L"..")
        all = FlushBelow(path + L"\\" + name, entry.dwFileAttributes);
    } while (all && FindNextFileW(find, &entry));
    const DWORD error = GetLastError();
    FindClose(find);
    SetLastError(error);
    if (!all) return false;
  }
  return FlushOne(path, attributes);
}

}  // namespace

bool FlushTree(const std::string& path) {
  const std::wstring wide = toolkit::Widen(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if (!FlushBelow(wide, attributes)) return false;
  const size_t cut = wide.find_last_of(L'\\');
  return cut == std::wstring::npos ||
         FlushOne(wide.substr(0, cut + (cut == 2 ? 1 : 0)), FILE_ATTRIBUTE_DIRECTORY);
}

LSTATUS FlushKeyAt(HKEY root, const std::string& path) {
  TRegistryKey key;
  const LSTATUS opened = key.Open(root, toolkit::Widen(path));
  if (opened == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (opened != ERROR_SUCCESS) return opened;
  return syscalls::FlushKey(key.Get());
}
