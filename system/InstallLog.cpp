#include "InstallLog.h"

#include <windows.h>

#include <cstdio>

#include "LogFileCheck_win.h"
#include "SystemCalls.h"
#include "Utf.h"

TInstallLog::TInstallLog(const std::string& path) { Open(path, false); }

TInstallLog::TInstallLog(const std::string& path, TAppend) { Open(path, true); }

TInstallLog::TInstallLog(const std::string& path, TSharedFolder) { OpenInSharedFolder(path); }

void TInstallLog::Open(const std::string& path, bool append) {
  if (path.empty()) return;
  const std::wstring widePath = toolkit::Widen(path);
  // Emptied only when no other run is writing it: a run that cannot start
  // while another goes on (the same default log for both) adds its reason
  // after the other's lines instead of wiping them.
  if (!append) {
    HANDLE alone = CreateFileW(widePath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (alone != INVALID_HANDLE_VALUE) CloseHandle(alone);
  }
  // Readable by others while the run goes on, so that a script can follow
  // it; writable by a run that could not start and says why at its end.
  HANDLE file = CreateFileW(widePath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    file_ = file;
  } else {
    error_ = GetLastError();
  }
}

TInstallLog::~TInstallLog() {
  if (file_) CloseHandle(file_);
}

void TInstallLog::Write(const std::string& text) {
  if (!file_) return;
  SYSTEMTIME now;
  GetLocalTime(&now);
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u ", now.wYear, now.wMonth,
                now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
  // One write per line, at whatever is the end of the file then: a run that
  // ends abruptly leaves whole lines behind, and two runs' lines never
  // overwrite each other.
  const std::string line = stamp + text + "\r\n";
  OVERLAPPED atEnd = {};
  atEnd.Offset = atEnd.OffsetHigh = 0xFFFFFFFF;
  DWORD written = 0;
  WriteFile(static_cast<HANDLE>(file_), line.data(), static_cast<DWORD>(line.size()), &written,
            &atEnd);
}

// The file is opened without following a link (FILE_FLAG_OPEN_REPARSE_POINT)
// and looked at through that handle, so what is checked is what is written.
// A foreign one is deleted by its name, which for a link deletes the link
// itself. (Wine shows no link of the host's file system as one: it opens
// what the link points at. Win32 programs under it cannot make such links.)
void TInstallLog::OpenInSharedFolder(const std::string& path) {
  const std::wstring widePath = toolkit::Widen(path);
  for (int attempt = 0; attempt < 3; ++attempt) {
    // Alone, it is emptied; while another run writes it, this run's lines go
    // after the other's (see Open).
    HANDLE file = OpenLogFile(widePath, OPEN_EXISTING, FILE_SHARE_READ);
    bool alone = file != INVALID_HANDLE_VALUE;
    if (!alone && GetLastError() == ERROR_SHARING_VIOLATION)
      file = OpenLogFile(widePath, OPEN_EXISTING, FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND) {
      file = OpenLogFile(widePath, CREATE_NEW, FILE_SHARE_READ | FILE_SHARE_WRITE);
      if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS) continue;
      alone = false;  // new and empty
    }
    if (file == INVALID_HANDLE_VALUE) break;
    if (!IsOwnPlainFile(file)) {
      CloseHandle(file);
      syscalls::DeleteFileAt(widePath);  // a link goes itself, never its target
      continue;
    }
    if (alone) {
      SetFilePointer(file, 0, nullptr, FILE_BEGIN);
      SetEndOfFile(file);
      CloseHandle(file);
      // Again, shared with a run that cannot start and says so at its end.
      file = OpenLogFile(widePath, OPEN_EXISTING, FILE_SHARE_READ | FILE_SHARE_WRITE);
      if (file == INVALID_HANDLE_VALUE) continue;
      if (!IsOwnPlainFile(file)) {
        CloseHandle(file);
        continue;
      }
    }
    file_ = file;
    return;
  }
  error_ = GetLastError() ? GetLastError() : ERROR_ACCESS_DENIED;
}
