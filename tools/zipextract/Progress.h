#pragma once
// The progress line of long runs on a terminal: percent, bytes, rate and the
// member being worked on, redrawn in place and wiped when the run ends, so
// that what stays on the screen is only what the run reports.
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

#include "UnZip.h"

namespace zipextract {

class TProgressLine {
 public:
  // Runs with less selected data than this end before a line would help.
  static constexpr uint64_t kMinimumBytes = uint64_t(32) << 20;
  // A redraw per event would flood a slow terminal.
  static constexpr double kRedrawSeconds = 0.25;
  static constexpr size_t kWidth = 79;
  using TClock = std::function<double()>;  // seconds, never going back

  explicit TProgressLine(std::ostream& err, TClock clock = SteadySeconds);
  ~TProgressLine() { Finish(); }
  TProgressLine(const TProgressLine&) = delete;
  TProgressLine& operator=(const TProgressLine&) = delete;

  // Wraps the component's start, member and total-percent handlers; those
  // already assigned keep running first.
  void Attach(uz::TUnZip& unzip);

  void Start(uint64_t totalBytes);
  void Member(const std::string& name) { member_ = name; }
  void Percent(int percent);
  // Wipes the line when one is shown.
  void Finish();

  static double SteadySeconds();

 private:
  void Draw(int percent, double now);

  std::ostream& err_;
  TClock clock_;
  uint64_t total_ = 0;
  bool active_ = false;
  double start_ = 0;
  double lastDraw_ = 0;
  std::string member_;
  size_t shown_ = 0;  // columns of the line on the screen
};

// 1536 -> "1.5 KiB"; below 1 KiB in bytes.
std::string HumanBytes(uint64_t bytes);

}  // namespace zipextract
