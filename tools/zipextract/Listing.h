#pragma once
#include <ostream>

#include "UnZip.h"

namespace zipextract {

// One line per member of the catalogue held, in view order:
// index method flags compressed uncompressed crc32 datetime attributes part
// offset name, separated by tabs.
void PrintListing(const uz::TUnZip& unzip, std::ostream& out);

// The listing for people, in view order: size, method, compressed size, the
// space saved, date and time, CRC and name, then a line of totals.
void PrintHumanListing(const uz::TUnZip& unzip, std::ostream& out);

}  // namespace zipextract
