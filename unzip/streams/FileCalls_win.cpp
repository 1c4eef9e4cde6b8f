#include "streams/FileCalls_win.h"

namespace syscalls {

HANDLE CreateFileAt(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                    DWORD flagsAndAttributes) {
  return CreateFileW(path.c_str(), access, share, nullptr, disposition, flagsAndAttributes,
                     nullptr);
}

BOOL WriteToFile(HANDLE file, const void* data, DWORD size, DWORD* written) {
  return WriteFile(file, data, size, written, nullptr);
}

BOOL FlushFile(HANDLE file) { return FlushFileBuffers(file); }

BOOL SetLastWriteTime(HANDLE file, const FILETIME* lastWrite) {
  return SetFileTime(file, nullptr, nullptr, lastWrite);
}

BOOL SetAttributesOf(const std::wstring& path, DWORD attributes) {
  return SetFileAttributesW(path.c_str(), attributes);
}

BOOL CreateFolder(const std::wstring& path) { return CreateDirectoryW(path.c_str(), nullptr); }

BOOL RemoveFolder(const std::wstring& path) { return RemoveDirectoryW(path.c_str()); }

BOOL DeleteFileAt(const std::wstring& path) { return DeleteFileW(path.c_str()); }

BOOL MoveEntry(const std::wstring& from, const std::wstring& to, DWORD flags) {
  return MoveFileExW(from.c_str(), to.empty() ? nullptr : to.c_str(), flags);
}

BOOL CopyFileTo(const std::wstring& from, const std::wstring& to) {
  return CopyFileW(from.c_str(), to.c_str(), FALSE);
}

}  // namespace syscalls
