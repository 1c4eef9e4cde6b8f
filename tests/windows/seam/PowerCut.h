// What a power cut takes back, as the seam sees a process change the
// machine: each file's data since its last flush, each folder made or entry
// renamed since its folder was last flushed (a rename written through is
// durable at once), and each registry write since its key (or a key above
// it) was last flushed. The process that is cut writes what is at risk to a
// list and ends; once it is gone, LoseUnflushed(list) takes it all back, the
// latest first.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace failingcalls {

class TPowerCut {
 public:
  void FileOpened(HANDLE file, const std::wstring& path, DWORD access, DWORD disposition);
  // A file written whole by the system (a copy, a saved link), not yet flushed.
  void FileMade(const std::wstring& path) { flushed_[path] = 0; }
  // A flush of a file's handle, or of a folder's: the folder's entries then
  // last.
  void HandleFlushed(HANDLE file);
  void FolderMade(const std::wstring& path);
  void Renamed(const std::wstring& from, const std::wstring& to, DWORD flags);

  // Registry keys by their path ("HKLM\..."), so that what a write changed
  // can be put back by another process.
  void KeyOpened(HKEY root, const std::wstring& subKey, HKEY key);
  void KeyClosed(HKEY key) { keys_.erase(key); }
  // Before the call that would make `subKey` (and the keys above it that are
  // missing).
  void KeyMaking(HKEY root, const std::wstring& subKey);
  void ValueChanging(HKEY key, const std::wstring& name);
  void KeyDeleting(HKEY key, const std::wstring& subKey);
  void KeyFlushed(HKEY key);

  void Leave(const std::wstring& list) const;
  static bool LoseUnflushed(const std::wstring& list);

 private:
  // A change to take back (a line of the list), durable once each of its
  // scopes (a folder's or a key's path, lower case) has been flushed.
  struct TChange {
    std::wstring undo;
    std::vector<std::wstring> scopes;
  };
  void Flushed(const std::wstring& scope, bool below);
  std::wstring PathOf(HKEY key) const;
  void Risk(std::wstring undo, std::vector<std::wstring> scopes);
  void ValueLine(HKEY key, const std::wstring& path, const std::wstring& name);

  // For each file this process made (or emptied), its length on the disk at
  // its last flush; and the file behind each handle open for writing. The
  // installation's writers write new files front to back, so the flushed
  // length stands for the flushed content.
  std::map<std::wstring, LONGLONG> flushed_;
  std::map<HANDLE, std::wstring> writing_;
  std::map<HKEY, std::wstring> keys_;
  std::vector<TChange> changes_;
};

}  // namespace failingcalls
