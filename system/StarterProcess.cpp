#include "StarterProcess.h"

#include <windows.h>
#include <tlhelp32.h>

namespace {

// The entry of this process's parent in the process list, if that is a
// Setup.exe; 0 otherwise.
DWORD StarterId() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  const DWORD self = GetCurrentProcessId();
  DWORD parent = 0;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more && !parent;
       more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID == self) parent = entry.th32ParentProcessID;
  }
  DWORD starter = 0;
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more && parent && !starter;
       more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID == parent &&
        CompareStringOrdinal(entry.szExeFile, -1, L"Setup.exe", -1, TRUE) == CSTR_EQUAL)
      starter = parent;
  }
  CloseHandle(snapshot);
  return starter;
}

ULONGLONG CreationOf(HANDLE process) {
  FILETIME created{}, ended{}, kernel{}, user{};
  if (!GetProcessTimes(process, &created, &ended, &kernel, &user)) return 0;
  return (ULONGLONG(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

}  // namespace

bool WaitForStarterToEnd(unsigned long timeoutMs) {
  const DWORD id = StarterId();
  if (!id) return true;
  HANDLE starter = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, id);
  if (!starter) return true;
  bool ended = true;
  const ULONGLONG began = CreationOf(starter);
  if (began != 0 && began <= CreationOf(GetCurrentProcess()))
    ended = WaitForSingleObject(starter, timeoutMs) == WAIT_OBJECT_0;
  CloseHandle(starter);
  return ended;
}
