#include "catalogue/uzZipRecords.h"

namespace uz {

bool ParseLocalHeader(const uint8_t* p, TLocalHeader& h) {
  if (GetLe32(p) != kLocalHeaderSignature) return false;
  h.VersionNeeded = GetLe16(p + 4);
  h.Flags = GetLe16(p + 6);
  h.Method = GetLe16(p + 8);
  h.DateTime = GetLe32(p + 10);
  h.CRC32 = GetLe32(p + 14);
  h.CompressedSize = GetLe32(p + 18);
  h.UncompressedSize = GetLe32(p + 22);
  h.FileNameLength = GetLe16(p + 26);
  h.ExtraFieldLength = GetLe16(p + 28);
  return true;
}

void ParseEndCentral(const uint8_t* p, TEndCentral& end) {
  end.ThisPart = GetLe16(p + 4);
  end.DirectoryPart = GetLe16(p + 6);
  end.EntriesOnThisPart = GetLe16(p + 8);
  end.TotalEntries = GetLe16(p + 10);
  end.DirectorySize = GetLe32(p + 12);
  end.DirectoryOffset = GetLe32(p + 16);
  end.CommentLength = GetLe16(p + 20);
}

TCentralLengths ParseCentralHeader(const uint8_t* p, TZipHeaderInfo& m) {
  m.VersionMadeBy = GetLe16(p + 4);
  m.VersionNeeded = GetLe16(p + 6);
  m.Flags = GetLe16(p + 8);
  m.Method = GetLe16(p + 10);
  m.DateTime = GetLe32(p + 12);
  m.CRC32 = GetLe32(p + 16);
  m.CompressedSize = GetLe32(p + 20);
  m.UncompressedSize = GetLe32(p + 24);
  m.PartNumber = GetLe16(p + 34);
  m.InternalAttributes = GetLe16(p + 36);
  m.ExternalAttributes = GetLe32(p + 38);
  m.LocalHeaderOffset = GetLe32(p + 42);
  TCentralLengths lengths;
  lengths.Name = GetLe16(p + 28);
  lengths.Extra = GetLe16(p + 30);
  lengths.Comment = GetLe16(p + 32);
  m.ExtraFieldLength = lengths.Extra;
  m.CommentLength = lengths.Comment;
  return lengths;
}

namespace {

constexpr uint32_t kMarker32 = 0xFFFFFFFF;
constexpr uint16_t kMarker16 = 0xFFFF;

// The data of the ZIP64 block, nullptr when there is none; a block that
// claims more bytes than remain ends the walk.
const uint8_t* FindZip64Block(const uint8_t* extra, size_t size, size_t& length) {
  size_t at = 0;
  while (size - at >= 4) {
    const uint16_t id = GetLe16(extra + at);
    length = GetLe16(extra + at + 2);
    if (length > size - at - 4) return nullptr;
    if (id == kZip64ExtraId) return extra + at + 4;
    at += 4 + length;
  }
  return nullptr;
}

// Reads the block's fields in their fixed order, each present only where the
// record holds a marker.
class TZip64Fields {
 public:
  TZip64Fields(const uint8_t* data, size_t length) : data_(data), left_(data ? length : 0) {}
  // Takes the next 8-byte field when present.
  bool Next64(bool present, uint64_t& value) {
    if (!present || left_ < 8) return false;
    value = GetLe32(data_) | (uint64_t(GetLe32(data_ + 4)) << 32);
    data_ += 8;
    left_ -= 8;
    return true;
  }
  bool Next32(bool present, uint32_t& value) {
    if (!present || left_ < 4) return false;
    value = GetLe32(data_);
    data_ += 4;
    left_ -= 4;
    return true;
  }

 private:
  const uint8_t* data_;
  size_t left_;
};

}  // namespace

bool HasZip64Marker(const TEndCentral& e) {
  return e.ThisPart == kMarker16 || e.DirectoryPart == kMarker16 ||
         e.EntriesOnThisPart == kMarker16 || e.TotalEntries == kMarker16 ||
         e.DirectorySize == kMarker32 || e.DirectoryOffset == kMarker32;
}

bool ParseZip64Locator(const uint8_t* p, uint32_t& part, uint64_t& offset, uint32_t& parts) {
  if (GetLe32(p) != kZip64LocatorSignature) return false;
  part = GetLe32(p + 4);
  offset = GetLe32(p + 8) | (uint64_t(GetLe32(p + 12)) << 32);
  parts = GetLe32(p + 16);
  return true;
}

bool ApplyZip64End(const uint8_t* p, TEndCentral& e) {
  if (GetLe32(p) != kZip64EndSignature) return false;
  auto take16 = [](uint16_t& field, uint64_t value) {
    if (field == kMarker16 && value < kMarker16) field = uint16_t(value);
  };
  auto take64 = [](uint64_t& field, uint64_t value) {
    if (field == kMarker32) field = value;
  };
  auto le64 = [p](size_t at) { return GetLe32(p + at) | (uint64_t(GetLe32(p + at + 4)) << 32); };
  take16(e.ThisPart, GetLe32(p + 16));
  take16(e.DirectoryPart, GetLe32(p + 20));
  take16(e.EntriesOnThisPart, le64(24));
  take16(e.TotalEntries, le64(32));
  take64(e.DirectorySize, le64(40));
  take64(e.DirectoryOffset, le64(48));
  return true;
}

bool HasZip64Marker(const TZipHeaderInfo& m) {
  return m.CompressedSize == kMarker32 || m.UncompressedSize == kMarker32 ||
         m.LocalHeaderOffset == kMarker32 || m.PartNumber == kMarker16;
}

void ApplyZip64Extra(const uint8_t* extra, size_t size, TZipHeaderInfo& m) {
  size_t length = 0;
  const uint8_t* block = FindZip64Block(extra, size, length);
  TZip64Fields fields(block, length);
  fields.Next64(m.UncompressedSize == kMarker32, m.UncompressedSize);
  fields.Next64(m.CompressedSize == kMarker32, m.CompressedSize);
  fields.Next64(m.LocalHeaderOffset == kMarker32, m.LocalHeaderOffset);
  uint32_t part = 0;
  if (fields.Next32(m.PartNumber == kMarker16, part) && part < kMarker16)
    m.PartNumber = static_cast<uint16_t>(part);
}

void ApplyLocalZip64Extra(const uint8_t* extra, size_t size, TLocalHeader& h) {
  size_t length = 0;
  const uint8_t* block = FindZip64Block(extra, size, length);
  if (!block || length < 16) return;
  TZip64Fields fields(block, length);
  uint64_t v = 0;
  if (fields.Next64(true, v) && h.UncompressedSize == kMarker32) h.UncompressedSize = v;
  if (fields.Next64(true, v) && h.CompressedSize == kMarker32) h.CompressedSize = v;
}

bool HasZip64Extra(const uint8_t* extra, size_t size) {
  size_t length = 0;
  return FindZip64Block(extra, size, length) != nullptr;
}

}  // namespace uz
