#pragma once
// The component's table of numbered messages, carried by the program as a
// custom resource of type "S_STRINGTABLE" named "S_STREAM" (a real module
// resource on Windows, a constant byte array elsewhere; only the access to
// the raw bytes differs). Records: message number (int16, little-endian),
// text length n (one byte), n bytes of text; a record numbered 0 ends the table.
#include <cstddef>
#include <cstdint>
#include <string>

#include "catalogue/uzCntn.h"

namespace uz {

// Type and name of the stream messages' table (matched ignoring case).
constexpr const char* kStringTableType = "S_StringTable";
constexpr const char* kStreamTable = "S_Stream";

// Message numbers in the stream table.
constexpr int kMsgSeekError = 1;          // "Seek error"
constexpr int kMsgInvalidSeekOrigin = 2;  // "Invalid seek origin (%d)"
constexpr int kMsgPutbackOverflow = 3;    // "Putback overflow"
constexpr int kMsgCannotFindResource = 4;
constexpr int kMsgCannotAccessResource = 5;
constexpr int kMsgSeekPastEnd = 6;
constexpr int kMsgCannotWriteResource = 7;

// The raw bytes of a table resource.
struct TRawTable {
  const uint8_t* data = nullptr;
  std::size_t size = 0;
};

// Platform access (uzStrRes_posix.cpp / uzStrRes_win.cpp): finds the table of
// that name among the program's own resources; false when there is none.
// Raises EOutOfResources when it exists but cannot be loaded or locked.
bool FindStringTable(const std::string& name, TRawTable& table);

// One message table. Module resources stay mapped for the life of the
// program, so a table is simply looked up again on each use.
class TS_StringResource : public TObject {
 public:
  // Raises uz::Exception "No such string resource: <name>" when the program
  // carries no table of that name.
  explicit TS_StringResource(const std::string& name);
  // A table over bytes the caller keeps alive.
  explicit TS_StringResource(const TRawTable& table) : table_(table) {}
  std::string ClassName() const override { return "TS_StringResource"; }

  // The text of message number; empty when the table has no such message.
  // The walk never leaves the table's bytes, even if it lacks its end record.
  std::string Message(int number) const;

 private:
  TRawTable table_;
};

// The text of message number of the named table (see TS_StringResource).
std::string LoadMessage(const std::string& tableName, int number);
// A message of the stream table.
std::string StreamMessage(int number);

}  // namespace uz
