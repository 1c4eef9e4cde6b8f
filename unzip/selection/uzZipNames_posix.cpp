#include "selection/uzZipNames.h"

namespace uz {

// Without a system OEM code page, names are read as the format's default.
std::string OemToUtf8(const std::string& oem) { return Cp437ToUtf8(oem); }

unsigned OemCodePage() { return 437; }

}  // namespace uz
