#include "DeleteAtRestart.h"

#include "Utf.h"

#include <windows.h>

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
