#include "InstallTransaction.h"

#include "DeleteAtRestart.h"
#include "FlushToDisk.h"
#include "InstallLog.h"
#include "RegisterInWindows.h"
#include "RegistrySnapshot.h"
#include "SystemCalls.h"
#include "Utf.h"

namespace {

constexpr char kBegin[] = "install";
constexpr char kAside[] = "aside";
constexpr char kNew[] = "new";
constexpr char kKey[] = "key";
constexpr char kCommit[] = "commit";

bool Exists(const std::string& path) {
  return GetFileAttributesW(toolkit::Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string SystemReason() { return "system error " + std::to_string(GetLastError()); }

// A sibling name that nothing holds: the name, "~", and eight hex digits.
std::string FreeAsideName(const std::string& path) {
  const unsigned seed = GetTickCount() * 2654435761u ^ GetCurrentProcessId();
  for (unsigned attempt = 0;; ++attempt) {
    char suffix[16];
    wsprintfA(suffix, ".~%08X", seed + attempt * 0x9E3779B9u);
    if (!Exists(path + suffix)) return path + suffix;
  }
}

bool IsCommitted(const std::vector<TJournalEntry>& entries) {
  for (const TJournalEntry& entry : entries)
    if (!entry.empty() && entry[0] == kCommit) return true;
  return false;
}

// One entry undone; true when it is as before. Each step looks at what is
// there now, so a second pass (or the next start) picks up where one failed.
bool UndoEntry(const TJournalEntry& e) {
  if (e[0] == kAside && e.size() == 3) {
    if (!Exists(e[2])) return true;  // never moved, or back already
    return DeleteNow(e[1]) && syscalls::MoveEntry(toolkit::Widen(e[2]), toolkit::Widen(e[1]),
                                                  MOVEFILE_WRITE_THROUGH) != 0;
  }
  if (e[0] == kNew && e.size() == 2) return DeleteNow(e[1]);
  // Flushed, as the run's own keys are: the journal goes once this is done.
  if (e[0] == kKey && e.size() == 4)
    return RestoreKey(RootNamed(e[1]), e[2], e[3]) &&
           FlushKeyAt(RootNamed(e[1]), e[2]) == ERROR_SUCCESS;
  return true;
}

bool UndoPass(const std::vector<TJournalEntry>& entries) {
  bool all = true;
  for (auto e = entries.rbegin(); e != entries.rend(); ++e)
    if (!e->empty()) all = UndoEntry(*e) && all;
  return all;
}

// A call that fails once (a file a scanner holds for a moment) does not keep
// the user's installation away: the pass runs again over what is left.
bool UndoEntries(const std::vector<TJournalEntry>& entries) {
  return UndoPass(entries) || UndoPass(entries);
}

// What was set aside goes; the system's deletions at restart that named the
// new installation's paths (an uninstallation left them) no longer apply.
void CommitEntries(const std::vector<TJournalEntry>& entries) {
  for (const TJournalEntry& e : entries) {
    if (e[0] == kAside && e.size() == 3) DeleteNowOrAtRestart(e[2]);
    if ((e[0] == kAside && e.size() == 3) || (e[0] == kNew && e.size() == 2))
      CancelDeletionsAtRestart(e[1]);
  }
}

}  // namespace

TInstallTransaction::TInstallTransaction(const std::string& journalPath, TInstallLog& log)
    : journal_(journalPath), log_(log) {}

bool TInstallTransaction::Note(const TJournalEntry& entry) {
  return Note(std::vector<TJournalEntry>{entry});
}

bool TInstallTransaction::Note(const std::vector<TJournalEntry>& entries) {
  if (!journal_.Append(entries)) {
    error_ = "cannot write the journal " + journal_.Path() + " (" + SystemReason() + ")";
    return false;
  }
  entries_.insert(entries_.end(), entries.begin(), entries.end());
  return true;
}

bool TInstallTransaction::Begin(const std::string& directory) {
  if (!journal_.Create()) {
    error_ = journal_.Exists()
                 ? "an interrupted installation is not undone yet (journal " + journal_.Path() + ")"
                 : "cannot create the journal " + journal_.Path() + " (" + SystemReason() + ")";
    return false;
  }
  begun_ = true;
  return Note({kBegin, directory});
}

bool TInstallTransaction::SetAside(const std::string& path) {
  const std::string aside = FreeAsideName(path);
  if (!Note({kAside, path, aside})) return false;
  if (!syscalls::MoveEntry(toolkit::Widen(path), toolkit::Widen(aside), MOVEFILE_WRITE_THROUGH)) {
    error_ = path + " cannot be moved aside, something in it is in use (" + SystemReason() + ")";
    return false;
  }
  log_.Write("set aside: " + path + " -> " + aside);
  return true;
}

bool TInstallTransaction::NoteNew(const std::string& path) { return Note({kNew, path}); }

bool TInstallTransaction::SaveKey(HKEY root, const std::string& path) {
  std::string snapshot;
  try {
    snapshot = SnapshotKey(root, path);
  } catch (const ERegistryError& e) {
    error_ = e.what();
    return false;
  }
  return Note({kKey, RootName(root), path, snapshot});
}

// Each flush of the journal waits for the disk: the keys of one step are
// read first and noted together.
bool TInstallTransaction::SaveKeys(const std::vector<std::pair<HKEY, std::string>>& keys) {
  std::vector<TJournalEntry> entries;
  try {
    for (const auto& [root, path] : keys)
      entries.push_back({kKey, RootName(root), path, SnapshotKey(root, path)});
  } catch (const ERegistryError& e) {
    error_ = e.what();
    return false;
  }
  return Note(entries);
}

// What this run made (at the paths noted new or set aside) and the keys it
// wrote, on the disk: the commit line is what lets the next start delete the
// earlier installation, so nothing it stands for may still be in a cache.
bool TInstallTransaction::MakeDurable() {
  for (const TJournalEntry& e : entries_) {
    const bool made = (e[0] == kAside && e.size() == 3) || (e[0] == kNew && e.size() == 2);
    if (made && !FlushTree(e[1])) {
      error_ = "cannot flush " + e[1] + " to the disk (" + SystemReason() + ")";
      return false;
    }
    if (e[0] != kKey || e.size() != 4) continue;
    const LSTATUS status = FlushKeyAt(RootNamed(e[1]), e[2]);
    if (status != ERROR_SUCCESS) {
      error_ = "cannot flush the key " + e[1] + "\\" + e[2] + " to the disk (system error " +
               std::to_string(status) + ")";
      return false;
    }
  }
  return true;
}

bool TInstallTransaction::Commit() {
  if (!MakeDurable() || !Note({kCommit})) return false;
  CommitEntries(entries_);
  // A journal that stays is finished (harmlessly, once more) by the next start.
  if (!journal_.Remove() && !journal_.Remove())
    log_.Write("not deleted: the journal " + journal_.Path());
  begun_ = false;
  return true;
}

bool TInstallTransaction::Undo() {
  if (!begun_) return true;
  if (!UndoEntries(entries_)) {
    log_.Write("roll-back not finished: the next start of Setup finishes it from " +
               journal_.Path());
    return false;
  }
  for (const TJournalEntry& e : entries_)
    if (e[0] == kAside) log_.Write("put back: " + e[1]);
  begun_ = false;
  if (!journal_.Remove() && !journal_.Remove())
    log_.Write("not deleted: the journal " + journal_.Path());
  return true;
}

bool FinishInterruptedInstallation(const std::string& journalPath, TInstallLog& log) {
  TInstallJournal journal(journalPath);
  if (!journal.Exists()) return true;
  const std::vector<TJournalEntry> entries = journal.Read();
  const std::string what =
      !entries.empty() && entries[0].size() == 2 ? " into " + entries[0][1] : std::string();
  if (IsCommitted(entries)) {
    CommitEntries(entries);
    log.Write("finished: the interrupted installation" + what + " had completed");
  } else if (UndoEntries(entries)) {
    log.Write("undone: the interrupted installation" + what);
  } else {
    log.Write("not undone: the interrupted installation" + what + " (journal " + journalPath + ")");
    return false;
  }
  if (!journal.Remove() && !journal.Remove()) {
    log.Write("not deleted: the journal " + journalPath);
    return false;
  }
  return true;
}
