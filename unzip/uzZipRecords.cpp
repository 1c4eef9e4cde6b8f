#include "uzZipRecords.h"

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
  m.CompressedSize = static_cast<int32_t>(GetLe32(p + 20));
  m.UncompressedSize = static_cast<int32_t>(GetLe32(p + 24));
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

bool HasZip64Extra(const uint8_t* extra, size_t size) {
  size_t at = 0;
  while (size - at >= 4) {
    const uint16_t id = GetLe16(extra + at);
    const size_t length = GetLe16(extra + at + 2);
    if (id == kZip64ExtraId) return true;
    if (length > size - at - 4) return false;
    at += 4 + length;
  }
  return false;
}

}  // namespace uz
