// The file and folder calls that change the machine, one thin function each,
// so that they cross the process boundary in one place: the archive
// component's output, the installer's copies, renames and deletions all come
// through here. With the registry and shell calls of the system layer they
// form one seam, at which a test program may link definitions of its own
// (forwarding to the system and failing or ending at a call it picks) in
// place of FileCalls_win.cpp. Nothing here interprets a result; a failure
// leaves its reason in GetLastError as the system call would.
#pragma once

#include <windows.h>

#include <string>

namespace syscalls {

HANDLE CreateFileAt(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                    DWORD flagsAndAttributes);
BOOL WriteToFile(HANDLE file, const void* data, DWORD size, DWORD* written);
// Makes what was written reach the disk before the caller goes on.
BOOL FlushFile(HANDLE file);
BOOL SetLastWriteTime(HANDLE file, const FILETIME* lastWrite);
BOOL SetAttributesOf(const std::wstring& path, DWORD attributes);
// One level: the parent must exist.
BOOL CreateFolder(const std::wstring& path);
// An empty folder.
BOOL RemoveFolder(const std::wstring& path);
BOOL DeleteFileAt(const std::wstring& path);
// MoveFileExW: `to` empty with MOVEFILE_DELAY_UNTIL_REBOOT schedules a
// deletion at the next restart.
BOOL MoveEntry(const std::wstring& from, const std::wstring& to, DWORD flags);
// Copies a file, replacing an existing destination.
BOOL CopyFileTo(const std::wstring& from, const std::wstring& to);

}  // namespace syscalls
