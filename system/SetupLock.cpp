#include "SetupLock.h"

#include <windows.h>

namespace {

// Runs of several users (fast user switching, a deployment service) share
// the machine's folders and records, hence the global namespace; creating an
// object there needs a right that administrators have, and without it the
// session's namespace is the best there is.
HANDLE OpenLock() {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, L"Global\\Talmir Map 2.0 Setup");
  if (!mutex) mutex = CreateMutexW(nullptr, FALSE, L"Local\\Talmir Map 2.0 Setup");
  return mutex;
}

}  // namespace

TSetupLock::TSetupLock(uint32_t waitMs) {
  HANDLE mutex = OpenLock();
  if (!mutex) {
    error_ = GetLastError();
    return;
  }
  mutex_ = mutex;
  switch (WaitForSingleObject(mutex, waitMs)) {
    case WAIT_OBJECT_0:
      held_ = true;
      break;
    case WAIT_ABANDONED:
      held_ = true;
      abandoned_ = true;
      break;
    default:
      break;
  }
}

TSetupLock::~TSetupLock() {
  Release();
  if (mutex_) CloseHandle(static_cast<HANDLE>(mutex_));
}

void TSetupLock::Release() {
  if (held_) ReleaseMutex(static_cast<HANDLE>(mutex_));
  held_ = false;
}
