// The record of one run for whoever deploys the product: UTF-8 lines, each
// with the local time, one per step, file, registry value, link or deletion,
// and the reason of a failure. Writing it never makes a run fail: a log that
// cannot be written is simply not written.
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
  ~TInstallLog();
  TInstallLog(const TInstallLog&) = delete;
  TInstallLog& operator=(const TInstallLog&) = delete;

  void Write(const std::string& text);

 private:
  void Open(const std::string& path, bool append);

  void* file_ = nullptr;  // the open file, or null
};
