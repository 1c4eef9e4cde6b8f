#include "DeleteAtRestart.h"

#include "PendingDeletions.h"
#include "Utf.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace {

void ScheduleDeletion(const std::wstring& path) {
  MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

// A read-only file would survive its deletion at restart as it survives now.
void DeleteFileNowOrLater(const std::wstring& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_READONLY)
    SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  if (!DeleteFileW(path.c_str())) ScheduleDeletion(path);
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

void DeleteFolderNowOrLater(const std::wstring& folder);

void DeleteEntryNowOrLater(const std::wstring& path, DWORD attributes) {
  // A junction or symbolic link inside the tree is removed itself; what it
  // points at is not part of the tree.
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    DeleteFolderNowOrLater(path);
  } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    if (!RemoveDirectoryW(path.c_str())) ScheduleDeletion(path);
  } else {
    DeleteFileNowOrLater(path, attributes);
  }
}

void DeleteFolderNowOrLater(const std::wstring& folder) {
  {
    WIN32_FIND_DATAW entry;
    TFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (find.Get() != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        DeleteEntryNowOrLater(folder + L"\\" + name, entry.dwFileAttributes);
      } while (FindNextFileW(find.Get(), &entry));
    }
  }
  // Scheduled after its contents, so the system finds it empty by then.
  if (!RemoveDirectoryW(folder.c_str())) ScheduleDeletion(folder);
}

}  // namespace

void DeleteNowOrAtRestart(const std::string& path) {
  const std::wstring widePath = toolkit::Widen(path);
  const DWORD attributes = GetFileAttributesW(widePath.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  DeleteEntryNowOrLater(widePath, attributes);
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

class TKey {
 public:
  TKey() = default;
  ~TKey() {
    if (key_) RegCloseKey(key_);
  }
  TKey(const TKey&) = delete;
  TKey& operator=(const TKey&) = delete;
  HKEY* Receive() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

void CancelDeletionsAtRestart(const std::string& path) {
  TKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                    key.Receive()) != ERROR_SUCCESS)
    return;
  DWORD type = 0;
  DWORD bytes = 0;
  if (RegQueryValueExW(key.Get(), kPendingOperations, nullptr, &type, nullptr, &bytes) !=
          ERROR_SUCCESS ||
      type != REG_MULTI_SZ)
    return;
  std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
  if (RegQueryValueExW(key.Get(), kPendingOperations, nullptr, &type,
                       reinterpret_cast<BYTE*>(text.data()), &bytes) != ERROR_SUCCESS)
    return;
  text.resize(bytes / sizeof(wchar_t));
  const std::vector<std::string> operations = SplitMultiString(text);
  const std::vector<std::string> kept = WithoutDeletionsBelow(operations, path, SamePathText);
  if (kept.size() == operations.size()) return;
  if (kept.empty()) {
    RegDeleteValueW(key.Get(), kPendingOperations);
    return;
  }
  const std::wstring joined = JoinMultiString(kept);
  RegSetValueExW(key.Get(), kPendingOperations, 0, REG_MULTI_SZ,
                 reinterpret_cast<const BYTE*>(joined.data()),
                 static_cast<DWORD>(joined.size() * sizeof(wchar_t)));
}
