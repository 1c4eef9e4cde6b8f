#include "InstallLog.h"

#include <windows.h>

#include <cstdio>

#include "SystemCalls.h"
#include "Utf.h"

TInstallLog::TInstallLog(const std::string& path) {
  if (path.empty()) return;
  // Readable by others while the run goes on, so that a script can follow it.
  HANDLE file = syscalls::CreateFileAt(toolkit::Widen(path), GENERIC_WRITE, FILE_SHARE_READ,
                                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
  if (file != INVALID_HANDLE_VALUE) file_ = file;
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
  // One write per line: a run that ends abruptly leaves whole lines behind.
  const std::string line = stamp + text + "\r\n";
  DWORD written = 0;
  syscalls::WriteToFile(static_cast<HANDLE>(file_), line.data(), static_cast<DWORD>(line.size()),
                        &written);
}
