#pragma once
// Member names as the catalogue holds them: "\" separators, UTF-8 text, split
// into a directory part and a file-name part.
#include <cstdint>
#include <string>

namespace uz {

// General-purpose flag bit 11: the stored name (and comment) is UTF-8.
constexpr uint16_t kFlagUtf8 = 0x0800;

// IBM PC code page 437, the format's own default, to UTF-8. Bytes below 0x80
// (control bytes included) are kept as they are.
std::string Cp437ToUtf8(const std::string& oem);

// The OEM code page of the platform to UTF-8: the system's OEM code page on
// Windows, code page 437 elsewhere.
std::string OemToUtf8(const std::string& oem);
// Number of the code page OemToUtf8 converts from (437 off Windows).
unsigned OemCodePage();

// Stored name bytes to the catalogue's form: every "/" becomes "\", then the
// text is converted from the OEM code page unless flag bit 11 says it is
// UTF-8 already.
std::string ConvertStoredName(const std::string& raw, uint16_t flags);

// Splits after the last "\" or ":". The directory part keeps the separator;
// a split at ":" gets a "\" appended so that a non-empty directory part always
// ends in "\".
void SplitStoredName(const std::string& name, std::string& directory, std::string& fileName);

}  // namespace uz
