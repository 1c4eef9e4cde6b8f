#include "streams/uzStrRes.h"

#include "streams/UzLib.h"
#include "uzExceptions.h"

namespace uz {

TS_StringResource::TS_StringResource(const std::string& name) {
  if (!FindStringTable(name, table_)) {
    throw Exception(FormatWith("No such string resource: %s", name));
  }
}

std::string TS_StringResource::Message(int number) const {
  const uint8_t* data = table_.data;
  const std::size_t size = table_.size;
  std::size_t at = 0;
  // Each record: number (2 bytes LE), length n (1 byte), n bytes of text.
  while (at + 3 <= size) {
    int record = static_cast<int16_t>(data[at] | (data[at + 1] << 8));
    if (record == 0) break;  // the end record
    std::size_t length = data[at + 2];
    if (at + 3 + length > size) break;  // a cut-off record is not read past the table
    if (record == number) return std::string(reinterpret_cast<const char*>(data + at + 3), length);
    at += 3 + length;
  }
  return std::string();
}

std::string LoadMessage(const std::string& tableName, int number) {
  return TS_StringResource(tableName).Message(number);
}

std::string StreamMessage(int number) { return LoadMessage(kStreamTable, number); }

}  // namespace uz
