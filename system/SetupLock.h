// One run of the product's setup at a time: two runs at once (the disc's
// autorun and a double click, a deployment tool that retries, an
// installation started while the uninstaller's copy still deletes the
// folder) would write into the same folder and the same records. Every run
// holds this lock, a mutex named for the product in the whole machine, for
// as long as it may change anything.
#pragma once

#include <cstdint>

class TSetupLock {
 public:
  // How long a silent run waits for another run to end.
  static constexpr uint32_t kSilentWaitMs = 60000;

  // Takes the lock, waiting up to `waitMs` for another run to give it up.
  explicit TSetupLock(uint32_t waitMs);
  ~TSetupLock();
  TSetupLock(const TSetupLock&) = delete;
  TSetupLock& operator=(const TSetupLock&) = delete;

  bool Held() const { return held_; }
  // Not held because there is no lock to take: the system could not make it
  // (its error code), not because another run holds it.
  unsigned long Error() const { return error_; }
  // The run that held it before ended without giving it up (it crashed or
  // was killed): its work may be unfinished.
  bool Abandoned() const { return abandoned_; }
  // Gives the lock up before this object goes.
  void Release();

 private:
  void* mutex_ = nullptr;
  bool held_ = false;
  bool abandoned_ = false;
  unsigned long error_ = 0;
};
