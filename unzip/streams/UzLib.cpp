#include "streams/UzLib.h"

#include <algorithm>

namespace uz {

int32_t Min(int32_t a, int32_t b) { return a < b ? a : b; }

int32_t Max(int32_t a, int32_t b) { return a > b ? a : b; }

void SlashesToBackslashes(std::string& name) { std::replace(name.begin(), name.end(), '/', '\\'); }

std::string RightPart(const std::string& text, int n) {
  if (n <= 0) return std::string();
  std::size_t want = static_cast<std::size_t>(n);
  return want >= text.size() ? text : text.substr(text.size() - want);
}

std::string LeftPart(const std::string& text, int n) {
  if (n <= 0) return std::string();
  return text.substr(0, static_cast<std::size_t>(n));
}

std::string FormatWith(const std::string& pattern, const std::string& arg) {
  std::size_t s = pattern.find("%s");
  std::size_t d = pattern.find("%d");
  std::size_t at = std::min(s, d);
  if (at == std::string::npos) return pattern;
  return pattern.substr(0, at) + arg + pattern.substr(at + 2);
}

namespace {

// value * factor for a factor below 2^32, as a 128-bit number (high, low):
// part * 100 overflows 64 bits for sizes past 2^57, and 32-bit targets have
// no 128-bit integer type.
struct TWide {
  uint64_t high, low;
};

TWide MultiplySmall(uint64_t value, uint32_t factor) {
  const uint64_t lowProduct = (value & 0xFFFFFFFFu) * factor;
  const uint64_t highProduct = (value >> 32) * factor;
  const uint64_t low = lowProduct + (highProduct << 32);
  return {(highProduct >> 32) + (low < lowProduct ? 1 : 0), low};
}

bool NotAbove(TWide a, TWide b) { return a.high < b.high || (a.high == b.high && a.low <= b.low); }

}  // namespace

int Percentage(uint64_t part, uint64_t whole) {
  if (whole == 0) return 0;
  if (part >= whole) return 100;
  // The quotient floor(part * 100 / whole) is below 100: the largest q with
  // q * whole <= part * 100, found by comparing exact products.
  const TWide scaled = MultiplySmall(part, 100);
  uint32_t quotient = 0;
  for (uint32_t step = 64; step > 0; step /= 2)
    if (quotient + step < 100 && NotAbove(MultiplySmall(whole, quotient + step), scaled))
      quotient += step;
  // Round: compare twice the rest (200 * part - 2q * whole) with whole.
  const TWide twice = MultiplySmall(part, 200);
  const TWide halfway = MultiplySmall(whole, 2 * quotient + 1);
  const bool above = !NotAbove(twice, halfway);
  const bool tie = twice.high == halfway.high && twice.low == halfway.low;
  if (above || (tie && quotient % 2 == 1)) ++quotient;
  return static_cast<int>(quotient);
}

namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
int64_t DaysFromCivil(int year, int month, int day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

}  // namespace

bool DecodeDosDateTime(uint32_t dosDateTime, TDosDateTime& out) {
  const uint32_t time = dosDateTime & 0xFFFF;
  const uint32_t date = dosDateTime >> 16;
  out.second = static_cast<int>(time & 0x1F) * 2;
  out.minute = static_cast<int>((time >> 5) & 0x3F);
  out.hour = static_cast<int>(time >> 11);
  out.day = static_cast<int>(date & 0x1F);
  out.month = static_cast<int>((date >> 5) & 0x0F);
  out.year = static_cast<int>(date >> 9) + 1980;
  if (out.month < 1 || out.month > 12) return false;
  if (out.day < 1 || out.day > DaysInMonth(out.year, out.month)) return false;
  return out.hour < 24 && out.minute < 60 && out.second < 60;
}

bool DosDateTimeToDays(uint32_t dosDateTime, double& days) {
  TDosDateTime t{};
  if (!DecodeDosDateTime(dosDateTime, t)) return false;
  constexpr int64_t kDaysFrom1899To1970 = 25569;
  int64_t whole = DaysFromCivil(t.year, t.month, t.day) + kDaysFrom1899To1970;
  days = static_cast<double>(whole) + (t.hour * 3600 + t.minute * 60 + t.second) / 86400.0;
  return true;
}

namespace detail {

TOwnedFile::TOwnedFile(const std::string& fileName, uint16_t mode) {
  // Only a write needs the file writable; reading leaves the attributes of
  // the user's archive as they are (the stream clears them only for writing).
  file = std::make_unique<TFileStream>(fileName, mode, /*clearRestrictive=*/true);
}

}  // namespace detail

TLFNFileStream::TLFNFileStream(const std::string& fileName, uint16_t mode)
    : TOwnedFile(fileName, mode), TS_BufferStream(*file) {}

// The buffer's destructor flushes into the file before TOwnedFile closes it.
TLFNFileStream::~TLFNFileStream() = default;

}  // namespace uz
