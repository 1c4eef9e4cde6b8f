#include "Listing.h"

#include <cstdio>

namespace zipextract {

void PrintListing(const uz::TUnZip& unzip, std::ostream& out) {
  char line[160];
  for (int i = 0; i < unzip.MemberCount(); ++i) {
    const uz::TZipHeaderInfo& m = unzip.Member(i);
    // Sizes are shown as the unsigned 32-bit values the archive stores.
    std::snprintf(line, sizeof line, "%d\t%u\t%04x\t%u\t%u\t%08x\t%08x\t%08x\t%u\t%u\t", i,
                  unsigned(m.Method), unsigned(m.Flags), uint32_t(m.CompressedSize),
                  uint32_t(m.UncompressedSize), m.CRC32, m.DateTime, m.ExternalAttributes,
                  unsigned(m.PartNumber), m.LocalHeaderOffset);
    out << line << m.Directory() << m.FileName() << '\n';
  }
}

}  // namespace zipextract
