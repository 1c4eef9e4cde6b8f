// The journal of one installation: a small file of lines, each written and
// flushed to the disk before the change it describes is made, so that a run
// ended half-way (a power cut, the task manager, a log-off) can be undone by
// the next start. Lines are UTF-8, fields separated by tabs (no path holds
// one). A last line without its line break was cut off while being written:
// the change it described was never made, and reading drops it.
#pragma once

#include <string>
#include <vector>

#include "JournalRules.h"

class TInstallJournal {
 public:
  explicit TInstallJournal(std::string path);
  ~TInstallJournal();
  TInstallJournal(const TInstallJournal&) = delete;
  TInstallJournal& operator=(const TInstallJournal&) = delete;

  const std::string& Path() const { return path_; }
  bool Exists() const;
  // The lines on the disk, in the order they were written, as fields: what
  // they say is checked (ParseJournal) before anything is done with it.
  std::vector<TJournalFields> Read() const;
  // A new journal; false when one exists already or it cannot be made.
  bool Create();
  // Writes the entry and flushes it to the disk; false when that failed.
  bool Append(const TJournalEntry& entry);
  // The same for several entries at once: one write and one flush.
  bool Append(const std::vector<TJournalEntry>& entries);
  // Closes and deletes the journal; true when it is gone.
  bool Remove();

 private:
  void Close();

  std::string path_;
  void* file_ = nullptr;  // open for appending while this run writes it
};
