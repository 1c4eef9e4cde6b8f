#pragma once
// Fixed parts of the ZIP records, decoded from bytes already read. Every
// function here reads exactly the fixed size its caller has checked; the
// variable parts (names, extra fields, comments) are bounded by the callers.
#include <cstddef>
#include <cstdint>
#include <string>

#include "uzZipObj.h"

namespace uz {

constexpr uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr uint32_t kDescriptorSignature = 0x08074B50;
constexpr size_t kEndCentralSize = 22;
constexpr size_t kCentralHeaderSize = 46;
constexpr size_t kLocalHeaderSize = 30;
constexpr uint16_t kFlagDataDescriptor = 0x0008;
constexpr uint16_t kZip64ExtraId = 0x0001;

inline uint16_t GetLe16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t GetLe32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// The local file header's fixed 30 bytes.
struct TLocalHeader {
  uint16_t VersionNeeded = 0;
  uint16_t Flags = 0;
  uint16_t Method = 0;
  uint32_t DateTime = 0;
  uint32_t CRC32 = 0;
  uint32_t CompressedSize = 0;
  uint32_t UncompressedSize = 0;
  uint16_t FileNameLength = 0;
  uint16_t ExtraFieldLength = 0;
};

// p holds kLocalHeaderSize bytes; false when they do not start with the
// local header signature.
bool ParseLocalHeader(const uint8_t* p, TLocalHeader& header);

// p holds kEndCentralSize bytes starting with the end record signature: the
// seven fields after it go into the record.
void ParseEndCentral(const uint8_t* p, TEndCentral& end);

// Lengths of the variable parts behind a central header.
struct TCentralLengths {
  uint16_t Name = 0;
  uint16_t Extra = 0;
  uint16_t Comment = 0;
};

// p holds kCentralHeaderSize bytes starting with the central header
// signature: its fields go into the member record (the name is the caller's).
TCentralLengths ParseCentralHeader(const uint8_t* p, TZipHeaderInfo& member);

// True when an extra field block holds a ZIP64 block (id 0x0001); a block
// that claims more bytes than remain ends the walk.
bool HasZip64Extra(const uint8_t* extra, size_t size);

}  // namespace uz
