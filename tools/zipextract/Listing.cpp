#include "Listing.h"

#include <cinttypes>
#include <cstdio>

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

}  // namespace zipextract
