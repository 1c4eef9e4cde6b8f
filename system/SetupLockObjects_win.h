// The kernel objects behind TSetupLock: the semaphore that is the lock, the
// mutex that guards the holder's record, and the record itself.
#pragma once

#include <windows.h>

#include <string>

// Who holds the lock: a process, told apart from a later one with the same
// id by its start time. Zero when nobody has recorded holding it.
struct THolder {
  DWORD processId;
  FILETIME started;
};

struct TLockObjects {
  TLockObjects() = default;
  ~TLockObjects();
  TLockObjects(const TLockObjects&) = delete;
  TLockObjects& operator=(const TLockObjects&) = delete;

  // Makes or opens every object; false with `problem` or `denied` set.
  bool Make();
  // Gives `process` handles of its own to the objects, so that they last
  // while it lives, even when it has not opened them yet.
  bool KeepAliveIn(HANDLE process) const;

  HANDLE semaphore = nullptr;
  HANDLE guard = nullptr;
  THolder* record = nullptr;
  // "Access denied": another account's run made the objects (only a run
  // without administrator rights gets it).
  bool denied = false;
  std::string problem;

 private:
  bool MakeNamespace();
  bool Check(HANDLE object, const wchar_t* name);
  bool Fail(const std::string& what, DWORD error);

  PSECURITY_DESCRIPTOR descriptor = nullptr;
  SECURITY_ATTRIBUTES attributes{};
  std::wstring prefix;
  HANDLE mapping = nullptr;
  HANDLE boundary = nullptr;
  HANDLE privateNamespace = nullptr;
  BOOLEAN(WINAPI* closeNamespace)(HANDLE, ULONG) = nullptr;
  VOID(WINAPI* deleteBoundary)(HANDLE) = nullptr;
};
