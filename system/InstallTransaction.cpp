#include "InstallTransaction.h"

#include "DeleteAtRestart.h"
#include "FlushToDisk.h"
#include "InstallLog.h"
#include "JournalFolder.h"
#include "ProductFolder.h"
#include "RegisterInWindows.h"
#include "RegistrySnapshot.h"
#include "SystemCalls.h"
#include "Utf.h"

namespace {

std::string SystemReason() { return "system error " + std::to_string(GetLastError()); }

// Whether something stands at a path, as far as can be told: a path on a
// volume that is not there now (a disk unplugged, a share not reached, a
// volume not mounted yet) or that cannot be looked at is neither there nor
// gone, and nothing that depends on it counts as done.
enum class TPresence { kThere, kGone, kUnknown };

std::string VolumeRoot(const std::string& path) {
  if (path.size() >= 3 && path[1] == ':') return path.substr(0, 3);
  const size_t server = path.find('\\', 2);
  const size_t share = server == std::string::npos ? server : path.find('\\', server + 1);
  return share == std::string::npos ? path + "\\" : path.substr(0, share + 1);
}

TPresence PresenceOf(const std::string& path) {
  if (GetFileAttributesW(toolkit::Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES)
    return TPresence::kThere;
  const DWORD error = GetLastError();
  if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return TPresence::kUnknown;
  return GetFileAttributesW(toolkit::Widen(VolumeRoot(path)).c_str()) != INVALID_FILE_ATTRIBUTES
             ? TPresence::kGone
             : TPresence::kUnknown;
}

bool IsCommitted(const std::vector<TJournalEntry>& entries) {
  return !entries.empty() && entries.back().kind == TJournalKind::kCommit;
}

// One entry undone; true when it is as before. Each step looks at what is
// there now, so a second pass (or the next start) picks up where one failed.
bool UndoEntry(const TJournalEntry& e) {
  switch (e.kind) {
    case TJournalKind::kAside: {
      const TPresence aside = PresenceOf(e.aside);
      if (aside == TPresence::kThere)
        return DeleteNow(e.path) &&
               syscalls::MoveEntry(toolkit::Widen(e.aside), toolkit::Widen(e.path),
                                   MOVEFILE_WRITE_THROUGH) != 0;
      // Never moved, or back already; with neither there, nothing is left to
      // put back.
      return aside == TPresence::kGone && PresenceOf(e.path) != TPresence::kUnknown;
    }
    case TJournalKind::kNew:
      if (PresenceOf(e.path) == TPresence::kThere) DeleteNow(e.path);
      return PresenceOf(e.path) == TPresence::kGone;
    case TJournalKind::kKey:
      // Flushed, as the run's own keys are: the journal goes once this is done.
      return RestoreKey(RootNamed(e.root), e.path, e.snapshot) &&
             FlushKeyAt(RootNamed(e.root), e.path) == ERROR_SUCCESS;
    case TJournalKind::kBegin:
    case TJournalKind::kCommit:
      break;
  }
  return true;
}

bool UndoPass(const std::vector<TJournalEntry>& entries) {
  bool all = true;
  for (auto e = entries.rbegin(); e != entries.rend(); ++e) all = UndoEntry(*e) && all;
  return all;
}

// A call that fails once (a file a scanner holds for a moment) does not keep
// the user's installation away: the pass runs again over what is left.
bool UndoEntries(const std::vector<TJournalEntry>& entries) {
  return UndoPass(entries) || UndoPass(entries);
}

// What was set aside goes; the system's deletions at restart that named the
// new installation's paths (an uninstallation left them) no longer apply.
// False when an aside copy's volume cannot be reached now.
bool CommitEntries(const std::vector<TJournalEntry>& entries) {
  bool all = true;
  for (const TJournalEntry& e : entries) {
    if (e.kind == TJournalKind::kAside) {
      all = PresenceOf(e.aside) != TPresence::kUnknown && all;
      DeleteNowOrAtRestart(e.aside);
    }
    if (e.kind == TJournalKind::kAside || e.kind == TJournalKind::kNew)
      CancelDeletionsAtRestart(e.path);
  }
  return all;
}

// A journal not acted on stays, under a new name, for the administrator.
void KeepAside(const std::string& path, const std::string& why, TInstallLog& log) {
  const std::string aside = FreeAsideName(path);
  const bool moved = syscalls::MoveEntry(toolkit::Widen(path), toolkit::Widen(aside), 0) != 0;
  log.Write("not acted on: the journal " + path + " (" + why + "); " +
            (moved ? "kept as " + aside : "it cannot be renamed (" + SystemReason() + ")"));
}

}  // namespace

TInstallTransaction::TInstallTransaction(TInstallLog& log) : journal_(JournalPath()), log_(log) {}

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

bool TInstallTransaction::Begin(const std::string& directory, const std::string& programs,
                                const std::string& desktop) {
  if (!PrepareJournalFolder(log_, &error_)) return false;
  if (!journal_.Create()) {
    error_ = journal_.Exists()
                 ? "an interrupted installation is not undone yet (journal " + journal_.Path() + ")"
                 : "cannot create the journal " + journal_.Path() + " (" + SystemReason() + ")";
    return false;
  }
  begun_ = true;
  return Note(TJournalEntry::Begin(directory, programs, desktop));
}

bool TInstallTransaction::SetAside(const std::string& path) {
  const std::string aside = FreeAsideName(path);
  if (!Note(TJournalEntry::Aside(path, aside))) return false;
  if (!syscalls::MoveEntry(toolkit::Widen(path), toolkit::Widen(aside), MOVEFILE_WRITE_THROUGH)) {
    error_ = path + " cannot be moved aside, something in it is in use (" + SystemReason() + ")";
    return false;
  }
  log_.Write("set aside: " + path + " -> " + aside);
  return true;
}

bool TInstallTransaction::NoteNew(const std::string& path) {
  return Note(TJournalEntry::New(path));
}

bool TInstallTransaction::SaveKey(HKEY root, const std::string& path) {
  std::string snapshot;
  try {
    snapshot = SnapshotKey(root, path);
  } catch (const ERegistryError& e) {
    error_ = e.what();
    return false;
  }
  return Note(TJournalEntry::Key(RootName(root), path, snapshot));
}

// Each flush of the journal waits for the disk: the keys of one step are
// read first and noted together.
bool TInstallTransaction::SaveKeys(const std::vector<std::pair<HKEY, std::string>>& keys) {
  std::vector<TJournalEntry> entries;
  try {
    for (const auto& [root, path] : keys)
      entries.push_back(TJournalEntry::Key(RootName(root), path, SnapshotKey(root, path)));
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
    const bool made = e.kind == TJournalKind::kAside || e.kind == TJournalKind::kNew;
    if (made && !FlushTree(e.path)) {
      error_ = "cannot flush " + e.path + " to the disk (" + SystemReason() + ")";
      return false;
    }
    if (e.kind != TJournalKind::kKey) continue;
    const LSTATUS status = FlushKeyAt(RootNamed(e.root), e.path);
    if (status != ERROR_SUCCESS) {
      error_ = "cannot flush the key " + e.root + "\\" + e.path + " to the disk (system error " +
               std::to_string(status) + ")";
      return false;
    }
  }
  return true;
}

bool TInstallTransaction::Commit() {
  if (!MakeDurable() || !Note(TJournalEntry::Commit())) return false;
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
    if (e.kind == TJournalKind::kAside) log_.Write("put back: " + e.path);
  begun_ = false;
  if (!journal_.Remove() && !journal_.Remove())
    log_.Write("not deleted: the journal " + journal_.Path());
  return true;
}

bool FinishInterruptedInstallation(TInstallLog& log, std::string* why) {
  const std::string path = JournalPath();
  TInstallJournal journal(path);
  RemoveScratchFiles(log);
  if (path.empty() || !journal.Exists()) return true;
  std::string fault;
  if (!OnlyAdministratorsCanChange(JournalFolder(), &fault)) {
    KeepAside(JournalFolder(), "its folder is not the setup's: " + fault, log);
    return true;
  }
  if (!OnlyAdministratorsCanChange(path, &fault)) {
    KeepAside(path, "not the setup's: " + fault, log);
    return true;
  }
  const std::vector<TJournalFields> lines = journal.Read();
  // Cut off in its first line: nothing had begun.
  const TJournal parsed = lines.empty() ? TJournal() : ParseJournal(lines, IsProductFolder);
  if (!parsed.fault.empty()) {
    KeepAside(path, parsed.fault, log);
    return true;
  }
  const std::vector<TJournalEntry>& entries = parsed.entries;
  const std::string what = entries.empty() ? std::string() : " into " + entries[0].path;
  if (IsCommitted(entries)) {
    if (!CommitEntries(entries)) {
      *why = "the installation" + what + " had completed, but what it set aside cannot be reached";
      log.Write("not finished: " + *why + " (journal " + path + ")");
      return false;
    }
    log.Write("finished: the interrupted installation" + what + " had completed");
  } else if (UndoEntries(entries)) {
    if (!entries.empty()) log.Write("undone: the interrupted installation" + what);
  } else {
    *why = "the interrupted installation" + what +
           " cannot be undone now: a path of it cannot be reached, or something in it is in use";
    log.Write("not undone: " + *why + " (journal " + path + ")");
    return false;
  }
  if (!journal.Remove() && !journal.Remove()) {
    *why = "the journal " + path + " cannot be deleted";
    log.Write("not deleted: the journal " + path);
    return false;
  }
  return true;
}
