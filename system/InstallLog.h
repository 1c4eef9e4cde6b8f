// The record of one run for whoever deploys the product: UTF-8 lines, each
// with the local time, one per step, file, registry value, link or deletion,
// and the reason of a failure. A log that cannot be opened is the caller's
// to act on (IsOpen); writing to an open one never makes a run fail.
#pragma once

#include <string>

class TInstallLog {
 public:
  // No log: every line is dropped.
  TInstallLog() = default;
  // Replaces the file at `path` (UTF-8) with this run's log; while another
  // run is writing to it, adds this run's lines to its end instead.
  explicit TInstallLog(const std::string& path);
  // Adds this run's lines to the end of the file at `path`: another run,
  // still going or gone, has written its own lines there, which stay.
  enum TAppend { kAppend };
  TInstallLog(const std::string& path, TAppend);
  // The default log in a folder where others may create files (the
  // temporary folder; C:\Windows\Temp for a run as SYSTEM): what stands at
  // `path` is reused only when it is a plain file of one name that an
  // administrator, the system or this user made. A link, a file with more
  // names, or one someone else made is deleted (the name only: never what it
  // points at) and a new file is made in its place, never through a link.
  enum TSharedFolder { kSharedFolder };
  TInstallLog(const std::string& path, TSharedFolder);
  ~TInstallLog();
  TInstallLog(const TInstallLog&) = delete;
  TInstallLog& operator=(const TInstallLog&) = delete;

  void Write(const std::string& text);
  bool IsOpen() const { return file_ != nullptr; }
  // Why it could not be opened (a system error code), 0 when it could.
  unsigned long Error() const { return error_; }

 private:
  void Open(const std::string& path, bool append);
  void OpenInSharedFolder(const std::string& path);

  void* file_ = nullptr;  // the open file, or null
  unsigned long error_ = 0;
};
