#include "DeleteAtRestart.h"

#include "DeletionRules.h"
#include "PendingDeletions.h"
#include "RegistryKey.h"
#include "SystemCalls.h"
#include "Utf.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace {

// Each step tells whether what it was given is now gone or, with `later`,
// left to the system's deletion at the next restart.
bool Schedule(const std::wstring& path, bool later) {
  return later && syscalls::MoveEntry(path, std::wstring(), MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

// A read-only file would survive its deletion at restart as it survives now.
bool DeleteFileNowOrLater(const std::wstring& path, DWORD attributes, bool later) {
  if (attributes & FILE_ATTRIBUTE_READONLY)
    syscalls::SetAttributesOf(path, attributes & ~FILE_ATTRIBUTE_READONLY);
  return syscalls::DeleteFileAt(path) || Schedule(path, later);
}

class TFindHandle {
 public:
  explicit TFindHandle(HANDLE handle) : handle_(handle) {}
  ~TFindHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  }
  TFindHandle(const TFindHandle&) = delete;
  TFindHandle& operator=(const TFindHandle&) = delete;
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

// What stands at a path, looked at through a handle that does not follow a
// link. The handle does not share deletion: while it is open nobody can
// rename what it holds or put a link in its place, so a folder found plain
// is the folder entered.
class TEntry {
 public:
  explicit TEntry(const std::wstring& path)
      : handle_(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)) {
    if (handle_ == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      facts_.missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
      return;
    }
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(handle_, &information)) return;
    attributes_ = information.dwFileAttributes;
    facts_.opened = true;
    facts_.folder = (attributes_ & FILE_ATTRIBUTE_DIRECTORY) != 0;
    facts_.link = (attributes_ & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  }
  ~TEntry() { Close(); }
  TEntry(const TEntry&) = delete;
  TEntry& operator=(const TEntry&) = delete;
  void Close() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }
  const TEntryFacts& Facts() const { return facts_; }
  DWORD Attributes() const { return attributes_; }

 private:
  HANDLE handle_;
  TEntryFacts facts_;
  DWORD attributes_ = 0;
};

// A file, a link, or what could not be looked at, by its name: neither the
// deletion of a file nor the removal of a folder follows a link.
bool RemoveItself(const std::wstring& path, const TEntryFacts& facts, DWORD attributes,
                  bool later) {
  if (facts.opened && !facts.folder) return DeleteFileNowOrLater(path, attributes, later);
  if (facts.opened) return syscalls::RemoveFolder(path) || Schedule(path, later);
  return syscalls::DeleteFileAt(path) || syscalls::RemoveFolder(path) || Schedule(path, later);
}

bool DeleteEntryNowOrLater(const std::wstring& path, bool later);

bool DeleteContentsNowOrLater(const std::wstring& folder, bool later) {
  bool all = true;
  WIN32_FIND_DATAW entry;
  TFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &entry));
  if (find.Get() == INVALID_HANDLE_VALUE) return all;
  do {
    const std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    all = DeleteEntryNowOrLater(folder + L"\\" + name, later) && all;
  } while (FindNextFileW(find.Get(), &entry));
  return all;
}

bool DeleteEntryNowOrLater(const std::wstring& path, bool later) {
  TEntry entry(path);
  switch (DeletionOf(entry.Facts())) {
    case TDeletion::kNothing:
      return true;
    case TDeletion::kRemoveItself: {
      entry.Close();
      return RemoveItself(path, entry.Facts(), entry.Attributes(), later);
    }
    case TDeletion::kEnter:
      break;
  }
  const bool all = DeleteContentsNowOrLater(path, later);
  entry.Close();
  // Scheduled after its contents, so the system finds it empty by then.
  return (syscalls::RemoveFolder(path) || Schedule(path, later)) && all;
}

bool Delete(const std::string& path, bool later) {
  return DeleteEntryNowOrLater(toolkit::Widen(path), later);
}

}  // namespace

bool DeleteNowOrAtRestart(const std::string& path) { return Delete(path, true); }

bool IsPlainFolderAt(const std::string& path) {
  return IsPlainFolder(TEntry(toolkit::Widen(path)).Facts());
}

bool IsLinkAt(const std::string& path) { return TEntry(toolkit::Widen(path)).Facts().link; }

bool DeleteNow(const std::string& path) {
  return Delete(path, false) &&
         GetFileAttributesW(toolkit::Widen(path).c_str()) == INVALID_FILE_ATTRIBUTES;
}

namespace {

constexpr wchar_t kSessionManager[] = L"System\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingOperations[] = L"PendingFileRenameOperations";

bool SamePathText(const std::string& a, const std::string& b) {
  return CompareStringOrdinal(toolkit::Widen(a).c_str(), -1, toolkit::Widen(b).c_str(), -1, TRUE) ==
         CSTR_EQUAL;
}

// Every NUL ends a string; the list itself ends with one more (an empty
// string), which a writer may also have left out: the strings come in pairs.
std::vector<std::string> SplitMultiString(const std::wstring& text) {
  std::vector<std::string> strings;
  for (size_t start = 0; start < text.size();) {
    const size_t end = std::min(text.find(L'\0', start), text.size());
    strings.push_back(toolkit::Narrow(text.substr(start, end - start)));
    start = end + 1;
  }
  if (strings.size() % 2 == 1 && strings.back().empty()) strings.pop_back();
  return strings;
}

std::wstring JoinMultiString(const std::vector<std::string>& strings) {
  std::wstring text;
  for (const std::string& s : strings) {
    text += toolkit::Widen(s);
    text.push_back(L'\0');
  }
  text.push_back(L'\0');
  return text;
}

}  // namespace

namespace {

// The list as strings; false when there is none that can be read.
bool ReadOperations(HKEY key, std::vector<std::string>& operations) {
  DWORD type = 0;
  DWORD bytes = 0;
  if (syscalls::QueryValue(key, kPendingOperations, &type, nullptr, &bytes) != ERROR_SUCCESS ||
      type != REG_MULTI_SZ)
    return false;
  std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
  if (syscalls::QueryValue(key, kPendingOperations, &type, reinterpret_cast<BYTE*>(text.data()),
                           &bytes) != ERROR_SUCCESS)
    return false;
  text.resize(bytes / sizeof(wchar_t));
  operations = SplitMultiString(text);
  return true;
}

}  // namespace

std::vector<std::string> OperationsAtRestart() {
  TRegistryKey key;
  std::vector<std::string> operations;
  if (key.Open(HKEY_LOCAL_MACHINE, kSessionManager) != ERROR_SUCCESS) return operations;
  ReadOperations(key.Get(), operations);
  return operations;
}

std::vector<std::string> LeftToRestartSince(const std::vector<std::string>& before,
                                            const std::vector<std::string>& ignored) {
  return AddedDeletions(before, OperationsAtRestart(), ignored, SamePathText);
}

void CancelDeletionsAtRestart(const std::string& path) {
  TRegistryKey key;
  if (key.Open(HKEY_LOCAL_MACHINE, kSessionManager) != ERROR_SUCCESS) return;
  std::vector<std::string> operations;
  if (!ReadOperations(key.Get(), operations)) return;
  const std::vector<std::string> kept = WithoutDeletionsBelow(operations, path, SamePathText);
  if (kept.size() == operations.size()) return;
  if (kept.empty()) {
    syscalls::DeleteValue(key.Get(), kPendingOperations);
    return;
  }
  const std::wstring joined = JoinMultiString(kept);
  syscalls::SetValue(key.Get(), kPendingOperations, REG_MULTI_SZ,
                     reinterpret_cast<const BYTE*>(joined.data()),
                     static_cast<DWORD>(joined.size() * sizeof(wchar_t)));
}
