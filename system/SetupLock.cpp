#include "SetupLock.h"

#include "SetupLockObjects_win.h"

#include <algorithm>

namespace {

// How often a waiting run looks whether the holder still lives.
constexpr DWORD kLookEveryMs = 250;

THolder HolderOf(HANDLE process) {
  THolder holder{GetProcessId(process), {}};
  FILETIME exited, kernel, user;
  GetProcessTimes(process, &holder.started, &exited, &kernel, &user);
  return holder;
}

bool Same(const THolder& a, const THolder& b) {
  return a.processId == b.processId && CompareFileTime(&a.started, &b.started) == 0;
}

// Only a process with the recorded id and start time holds the lock. One
// that cannot be opened is not a run of the setup (every run is an
// administrator's, and opens every other): it may be a program of any user
// that was given the dead holder's id, and it must not keep every run
// waiting.
bool Lives(const THolder& holder) {
  HANDLE process =
      OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, holder.processId);
  if (!process) return false;
  const bool lives =
      Same(HolderOf(process), holder) && WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return lives;
}

// The guard is held only for a few instructions; a holder that died within
// them leaves it abandoned, and the record tells what it had done.
class TGuarded {
 public:
  explicit TGuarded(HANDLE guard) : guard_(guard) {
    const DWORD result = WaitForSingleObject(guard, INFINITE);
    held_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    abandoned_ = result == WAIT_ABANDONED;
  }
  ~TGuarded() {
    if (held_) ReleaseMutex(guard_);
  }
  TGuarded(const TGuarded&) = delete;
  TGuarded& operator=(const TGuarded&) = delete;
  bool Held() const { return held_; }
  bool Abandoned() const { return abandoned_; }

 private:
  HANDLE guard_;
  bool held_ = false;
  bool abandoned_ = false;
};

}  // namespace

TSetupLock::TSetupLock(uint32_t waitMs) : objects_(std::make_unique<TLockObjects>()) {
  Take(waitMs);
}

TSetupLock::~TSetupLock() { Release(); }

// The semaphore is taken together with the guard, so that whoever holds the
// guard knows the count cannot change under it: a run that finds the holder
// gone takes the lock over without a second run doing the same.
void TSetupLock::Take(uint32_t waitMs) {
  const DWORD begin = GetTickCount();
  const auto waited = [begin] { return GetTickCount() - begin; };
  // Denied access: another account's run made the objects; look again.
  while (!objects_->Make()) {
    problem_ = objects_->problem;
    if (!problem_.empty() || waited() >= waitMs) return;
    Sleep(kLookEveryMs);
    objects_ = std::make_unique<TLockObjects>();
  }
  const THolder self = HolderOf(GetCurrentProcess());
  {
    TGuarded guarded(objects_->guard);
    if (!guarded.Held()) return;
    held_ = Same(*objects_->record, self);  // handed over by the run that started this one
    if (held_) return;
  }
  for (;;) {
    const DWORD slice = waited() >= waitMs ? 0 : std::min<DWORD>(waitMs - waited(), kLookEveryMs);
    HANDLE both[] = {objects_->semaphore, objects_->guard};
    const DWORD result = WaitForMultipleObjects(2, both, TRUE, slice);
    if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED_0 + 1) {
      *objects_->record = self;
      ReleaseMutex(objects_->guard);
      held_ = true;
      return;
    }
    {
      TGuarded guarded(objects_->guard);
      if (guarded.Held() && TakeOverFromTheDead(guarded.Abandoned())) return;
    }
    if (waited() >= waitMs) return;
  }
}

// Under the guard: true when the holder ended without giving the lock up,
// which is then this run's.
bool TSetupLock::TakeOverFromTheDead(bool guardAbandoned) {
  THolder& record = *objects_->record;
  if (record.processId != 0 ? Lives(record) : !guardAbandoned) return false;
  // A holder that died while giving the lock up may have given it up.
  if (record.processId == 0 && WaitForSingleObject(objects_->semaphore, 0) == WAIT_OBJECT_0) {
    record = HolderOf(GetCurrentProcess());
    held_ = true;
    return true;
  }
  record = HolderOf(GetCurrentProcess());
  held_ = abandoned_ = true;
  return true;
}

// The copy may not have opened the objects yet when this run ends; without
// handles of its own it would find them gone and make new ones, free for
// anyone.
bool TSetupLock::HandTo(HANDLE process) {
  if (!held_ || !objects_->KeepAliveIn(process)) return false;
  TGuarded guarded(objects_->guard);
  if (!guarded.Held()) return false;
  *objects_->record = HolderOf(process);
  held_ = false;
  return true;
}

void TSetupLock::Release() {
  if (!held_) return;
  held_ = false;
  TGuarded guarded(objects_->guard);
  if (!guarded.Held() || !Same(*objects_->record, HolderOf(GetCurrentProcess()))) return;
  *objects_->record = THolder{};
  ReleaseSemaphore(objects_->semaphore, 1, nullptr);
}
