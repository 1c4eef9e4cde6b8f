// One run of the product's setup at a time: two runs at once (the disc's
// autorun and a double click, a deployment tool that retries, an
// installation started while the uninstaller's copy still deletes the
// folder) would write into the same folder and the same records. Every run
// holds this lock, made for the whole machine, for as long as it may change
// anything.
//
// The lock is a semaphore of one, so that it can be handed on: the
// relocating uninstaller gives it to its copy without a moment in which a
// waiting run could slip in. Beside it a small record names the process that
// holds it; a run that finds the holder gone (crashed, killed) takes the lock
// over and knows it was abandoned. Its objects live where only
// administrators can make them: a private namespace bounded by the
// Administrators group where the system has one, else the global namespace
// with an access list for Administrators and SYSTEM alone, whose owner is
// checked, so that no program without administrator rights can make the
// name first and keep every run out.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

struct TLockObjects;

class TSetupLock {
 public:
  // How long a silent run waits for another run to end.
  static constexpr uint32_t kSilentWaitMs = 60000;

  // Takes the lock, waiting up to `waitMs` for another run to give it up; a
  // lock handed to this process by the run that started it is held at once.
  explicit TSetupLock(uint32_t waitMs);
  ~TSetupLock();
  TSetupLock(const TSetupLock&) = delete;
  TSetupLock& operator=(const TSetupLock&) = delete;

  bool Held() const { return held_; }
  // Why there is no lock to take at all (its objects cannot be made, or a
  // program that is not a setup made them); empty when another run holds it.
  const std::string& Problem() const { return problem_; }
  // The run that held it before ended without giving it up (it crashed or
  // was killed): its work may be unfinished.
  bool Abandoned() const { return abandoned_; }
  // Gives the lock to `process` (started suspended, not yet running): from
  // now on it holds the lock and gives it up, and this object no longer does.
  // False when this object does not hold it.
  bool HandTo(HANDLE process);
  // Gives the lock up before this object goes.
  void Release();

 private:
  void Take(uint32_t waitMs);
  bool TakeOverFromTheDead(bool guardAbandoned);

  std::unique_ptr<TLockObjects> objects_;
  bool held_ = false;
  bool abandoned_ = false;
  std::string problem_;
};
