#include "Listing.h"

#include <cinttypes>
#include <cstdio>

#include "decoders/uzMethods.h"

namespace zipextract {

void PrintListing(const uz::TUnZip& unzip, std::ostream& out) {
  char line[160];
  for (int i = 0; i < unzip.MemberCount(); ++i) {
    const uz::TZipHeaderInfo& m = unzip.Member(i);
    std::snprintf(line, sizeof line,
                  "%d\t%u\t%04x\t%" PRIu64 "\t%" PRIu64 "\t%08x\t%08x\t%08x\t%u\t%" PRIu64 "\t", i,
                  unsigned(m.Method), unsigned(m.Flags), m.CompressedSize, m.UncompressedSize,
                  m.CRC32, m.DateTime, m.ExternalAttributes, unsigned(m.PartNumber),
                  m.LocalHeaderOffset);
    out << line << m.Directory() << m.FileName() << '\n';
  }
}

namespace {

// Space saved by compression, in whole percents; 0 for a member that grew.
int SavedPercent(uint64_t compressed, uint64_t uncompressed) {
  if (uncompressed == 0 || compressed >= uncompressed) return 0;
  return 100 - uz::Percentage(compressed, uncompressed);
}

std::string DateAndTime(uint32_t dosDateTime) {
  uz::TDosDateTime t{};
  if (!uz::DecodeDosDateTime(dosDateTime, t)) return std::string(16, '?');
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute);
  return text;
}

}  // namespace

void PrintHumanListing(const uz::TUnZip& unzip, std::ostream& out) {
  char line[256];
  const char* const kRule =
      "------------  -------  ------------  -----  ----------------  --------";
  out << "      Length  Method           Size  Saved  Date       Time   CRC-32    Name\n"
      << kRule << "  ----\n";
  uint64_t length = 0, size = 0;
  for (int i = 0; i < unzip.MemberCount(); ++i) {
    const uz::TZipHeaderInfo& m = unzip.Member(i);
    std::snprintf(line, sizeof line, "%12" PRIu64 "  %-7s  %12" PRIu64 "  %4d%%  %s  %08x  ",
                  m.UncompressedSize, uz::MethodName(m.Method).c_str(), m.CompressedSize,
                  SavedPercent(m.CompressedSize, m.UncompressedSize),
                  DateAndTime(m.DateTime).c_str(), m.CRC32);
    out << line << m.Directory() << m.FileName() << '\n';
    length += m.UncompressedSize;
    size += m.CompressedSize;
  }
  const int n = unzip.MemberCount();
  std::snprintf(line, sizeof line,
                "------------           ------------  -----                              ----\n"
                "%12" PRIu64 "           %12" PRIu64 "  %4d%%                              %d %s\n",
                length, size, SavedPercent(size, length), n, n == 1 ? "member" : "members");
  out << line;
}

}  // namespace zipextract
