#pragma once
// Fixed parts of the ZIP records, decoded from bytes already read. Every
// function here reads exactly the fixed size its caller has checked; the
// variable parts (names, extra fields, comments) are bounded by the callers.
#include <cstddef>
#include <cstdint>
#include <string>

#include "catalogue/uzZipObj.h"

namespace uz {

constexpr uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr uint32_t kDescriptorSignature = 0x08074B50;
constexpr uint32_t kDigitalSignatureSignature = 0x05054B50;  // may follow the central records
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
  uint64_t CompressedSize = 0;  // 64-bit once a ZIP64 block has replaced a marker
  uint64_t UncompressedSize = 0;
  uint16_t FileNameLength = 0;
  uint16_t ExtraFieldLength = 0;
};

// p holds kLocalHeaderSize bytes; false when they do not start with the
// local header signature.
bool ParseLocalHeader(const uint8_t* p, TLocalHeader& header);

// p holds kEndCentralSize bytes starting with the end record signature: the
// seven fields after it go into the record.
void ParseEndCentral(const uint8_t* p, TEndCentral& end);

constexpr uint32_t kZip64LocatorSignature = 0x07064B50;
constexpr uint32_t kZip64EndSignature = 0x06064B50;
constexpr size_t kZip64LocatorSize = 20;
constexpr size_t kZip64EndSize = 56;

// True when a field of the end record holds a ZIP64 marker.
bool HasZip64Marker(const TEndCentral& end);

// p holds a ZIP64 locator (kZip64LocatorSize bytes); false without its
// signature. Gives the ZIP64 end record's part and offset, and the number
// of parts.
bool ParseZip64Locator(const uint8_t* p, uint32_t& part, uint64_t& offset, uint32_t& parts);

// p holds a ZIP64 end record (kZip64EndSize bytes); false without its
// signature. Every marked field of the end record takes its real value
// (the part numbers and entry counts only when it fits their 16 bits).
bool ApplyZip64End(const uint8_t* p, TEndCentral& end);

// Lengths of the variable parts behind a central header.
struct TCentralLengths {
  uint16_t Name = 0;
  uint16_t Extra = 0;
  uint16_t Comment = 0;
};

// p holds kCentralHeaderSize bytes starting with the central header
// signature: its fields go into the member record (the name is the caller's).
TCentralLengths ParseCentralHeader(const uint8_t* p, TZipHeaderInfo& member);

// Where a central record holds a ZIP64 marker (0xFFFFFFFF for a size or
// the offset, 0xFFFF for the part number), takes the value from the ZIP64
// block of its extra field when one is there (a part number only when it
// fits 16 bits); otherwise the marker stays.
void ApplyZip64Extra(const uint8_t* extra, size_t size, TZipHeaderInfo& member);

// The same for the two sizes of a local header, whose ZIP64 block holds
// both sizes whenever it is present.
void ApplyLocalZip64Extra(const uint8_t* extra, size_t size, TLocalHeader& header);

// True when a central record carries a ZIP64 marker.
bool HasZip64Marker(const TZipHeaderInfo& member);

// True when an extra field block holds a ZIP64 block (id 0x0001); a block
// that claims more bytes than remain ends the walk.
bool HasZip64Extra(const uint8_t* extra, size_t size);

}  // namespace uz
