// Without module resources the message table travels as constant data, in
// exactly the layout of the Windows resource (S_STREAM.bin).
#include <cctype>

#include "streams/uzStrRes.h"

namespace uz {

namespace {

// clang-format off
constexpr char kStreamTableBytes[] =
    "\x01\x00\x0A" "Seek error"
    "\x02\x00\x18" "Invalid seek origin (%d)"
    "\x03\x00\x10" "Putback overflow"
    "\x04\x00\x14" "Cannot find resource"
    "\x05\x00\x16" "Cannot access resource"
    "\x06\x00\x20" "Seek past end of resource stream"
    "\x07\x00\x21" "Cannot write to a resource stream"
    "\x00\x00";
// clang-format on
constexpr std::size_t kStreamTableSize =
    sizeof(kStreamTableBytes) - 1;  // without the literal's NUL
static_assert(kStreamTableSize == 180, "the stream message table is 180 bytes");

bool SameIgnoringCase(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return i == a.size() && b[i] == '\0';
}

}  // namespace

bool FindStringTable(const std::string& name, TRawTable& table) {
  if (!SameIgnoringCase(name, "S_STREAM")) return false;
  table.data = reinterpret_cast<const uint8_t*>(kStreamTableBytes);
  table.size = kStreamTableSize;
  return true;
}

}  // namespace uz
