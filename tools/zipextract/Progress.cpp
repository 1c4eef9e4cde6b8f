#include "Progress.h"

#include <chrono>
#include <cstdio>

namespace zipextract {

namespace {

// Columns taken by UTF-8 text: one per character, continuation bytes aside.
size_t Columns(const std::string& text) {
  size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

// The end of text that fits in width columns, marked as cut.
std::string Tail(const std::string& text, size_t width) {
  if (Columns(text) <= width) return text;
  if (width <= 3) return std::string();
  size_t keep = width - 3, at = text.size();
  while (at > 0 && keep > 0) {
    --at;
    if ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80) --keep;
  }
  return "..." + text.substr(at);
}

}  // namespace

std::string HumanBytes(uint64_t bytes) {
  static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
  if (bytes < 1024) return std::to_string(bytes) + " B";
  double value = static_cast<double>(bytes) / 1024;
  int unit = 0;
  while (value >= 1024 && unit < 5) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
  return text;
}

double TProgressLine::SteadySeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

TProgressLine::TProgressLine(std::ostream& err, TClock clock)
    : err_(err), clock_(std::move(clock)) {}

void TProgressLine::Attach(uz::TUnZip& unzip) {
  uz::TStartUnzipInfo info = unzip.OnStartUnZipInfo;
  unzip.OnStartUnZipInfo = [this, info](uz::TObject* sender, int files, int64_t total, bool& stop) {
    if (info) info(sender, files, total, stop);
    Start(total < 0 ? 0 : uint64_t(total));
  };
  uz::TStartUnZipEvent start = unzip.OnStartUnZip;
  unzip.OnStartUnZip = [this, start](uz::TObject* sender, int index, const std::string& name,
                                     bool& skip) {
    if (start) start(sender, index, name, skip);
    Member(name);
  };
  uz::TTotalPercentDone percent = unzip.OnTotalPercentDone;
  unzip.OnTotalPercentDone = [this, percent](uz::TObject* sender, int value) {
    if (percent) percent(sender, value);
    Percent(value);
  };
}

void TProgressLine::Start(uint64_t totalBytes) {
  total_ = totalBytes;
  active_ = totalBytes >= kMinimumBytes;
  start_ = lastDraw_ = clock_();
}

void TProgressLine::Percent(int percent) {
  if (!active_) return;
  const double now = clock_();
  if (now - lastDraw_ < kRedrawSeconds) return;
  lastDraw_ = now;
  Draw(percent, now);
}

void TProgressLine::Draw(int percent, double now) {
  // The component reports whole percents of the selected total; the bytes
  // shown are taken from them.
  const uint64_t done = static_cast<uint64_t>(static_cast<double>(total_) * percent / 100);
  const double seconds = now - start_;
  const uint64_t rate =
      seconds > 0 ? static_cast<uint64_t>(static_cast<double>(done) / seconds) : 0;
  char head[96];
  std::snprintf(head, sizeof head, "%3d%%  %s of %s  %s/s  ", percent, HumanBytes(done).c_str(),
                HumanBytes(total_).c_str(), HumanBytes(rate).c_str());
  const std::string line = head + Tail(member_, kWidth - Columns(head));
  const size_t columns = Columns(line);
  // Blanks over the rest of a longer line drawn before.
  const std::string blanks(shown_ > columns ? shown_ - columns : 0, ' ');
  err_ << '\r' << line << blanks << std::flush;
  shown_ = columns;
}

void TProgressLine::Finish() {
  if (shown_ == 0) return;
  err_ << '\r' << std::string(shown_, ' ') << '\r' << std::flush;
  shown_ = 0;
}

}  // namespace zipextract
