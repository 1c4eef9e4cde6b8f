// An installation that replaces instead of destroying. Before the run
// changes something that was there (the install folder, a link, a registry
// record) it notes it in the journal and sets it aside: a folder or file is
// renamed beside itself (same volume: no space, no time), a registry key is
// kept as text. A run that completes commits: what was set aside goes. A run
// that fails undoes: what it wrote goes and everything set aside comes back
// under its own name. A run that was ended half-way is undone (or, once it
// had committed, finished) by the next start of the program.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "InstallJournal.h"

class TInstallLog;

class TInstallTransaction {
 public:
  explicit TInstallTransaction(TInstallLog& log);

  // Starts the journal of an installation into `directory` by the user
  // whose Programs and Desktop folders are given (empty: none). False when
  // it cannot be written (or an earlier run's journal is still there).
  bool Begin(const std::string& directory, const std::string& programs, const std::string& desktop);
  // Moves the folder or file at `path` aside. False when it cannot be moved
  // (a file in it is open): nothing has changed then.
  bool SetAside(const std::string& path);
  // Before something is made at `path`, where nothing stands now: whatever
  // stands there later is this run's.
  bool NoteNew(const std::string& path);
  // Keeps the key `root`\`path` with everything below it before the run
  // writes into it. False when it cannot be read or noted.
  bool SaveKey(HKEY root, const std::string& path);
  // The same for several keys, noted with one flush of the journal.
  bool SaveKeys(const std::vector<std::pair<HKEY, std::string>>& keys);
  // The run is complete: false when even that could not be noted (then undo).
  // Everything the run made is flushed to the disk first, so that the note
  // never outlives what it stands for.
  // What was set aside is deleted, or left to the next restart where in use.
  bool Commit();
  // Everything back as it was before Begin. False when something could not
  // be put back: the journal then stays for the next start to finish.
  bool Undo();

  // Reason of the last failure, for the log.
  const std::string& Error() const { return error_; }

 private:
  bool Note(const TJournalEntry& entry);
  bool Note(const std::vector<TJournalEntry>& entries);
  bool MakeDurable();

  TInstallJournal journal_;
  TInstallLog& log_;
  std::vector<TJournalEntry> entries_;
  bool begun_ = false;
  std::string error_;
};

// Run first thing by every start, before anything is installed or
// uninstalled: finishes the run whose journal lies in the journal folder, if
// there is one (undoes it, or completes its commit), and says so in the log.
// A journal that is not the setup's (others could change it) or that names
// anything but the product's own folder, links and keys is not acted on: it
// is logged and renamed aside, and the start goes on as without one. False,
// with the reason in `why`, when the run could not be finished: nothing may
// then be installed or uninstalled over it.
bool FinishInterruptedInstallation(TInstallLog& log, std::string* why);
