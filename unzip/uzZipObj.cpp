#include "uzZipObj.h"

#include "UzLib.h"
#include "uzPercent.h"
#include "uzZipNames.h"

namespace uz {

void TEndCentral::Clear() {
  Signature = kEndCentralSignature;
  ThisPart = DirectoryPart = EntriesOnThisPart = TotalEntries = 0;
  DirectorySize = DirectoryOffset = 0;
  CommentLength = 0;
  Comment.reset();
  CommentPosition = 0;
  Modified = 0;
}

void TEndCentral::Assign(const TEndCentral& source) {
  const uint8_t modified = Modified;
  *this = source;
  Modified = modified;
}

void TZipHeaderInfo::SetStoredName(const std::string& name) {
  SplitStoredName(name, directory_, fileName_);
}

namespace {

unsigned char UpperAscii(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

int Sign(int64_t v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

// Newest, largest first; a tie goes behind the members it ties with.
int LaterFirst(int64_t a, int64_t b) { return b > a ? 1 : -1; }

int ComparePhysical(const TZipHeaderInfo& a, const TZipHeaderInfo& b) {
  if (a.PartNumber != b.PartNumber) return int(a.PartNumber) - int(b.PartNumber);
  return Sign(int64_t(a.LocalHeaderOffset) - int64_t(b.LocalHeaderOffset));
}

}  // namespace

int CompareTextNoCase(const std::string& a, const std::string& b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const int d = int(UpperAscii(a[i])) - int(UpperAscii(b[i]));
    if (d != 0) return d;
  }
  return Sign(int64_t(a.size()) - int64_t(b.size()));
}

uint32_t ComparableDosDateTime(uint32_t dosDateTime) {
  TDosDateTime parts;
  // For real dates the packed value grows with the moment itself.
  return DecodeDosDateTime(dosDateTime, parts) ? dosDateTime : 0;
}

int CompressionRate(const TZipHeaderInfo& member) {
  return PercentOf(member.CompressedSize, member.UncompressedSize);
}

int CompareMembers(TZipSortMode mode, const TZipHeaderInfo& a, const TZipHeaderInfo& b) {
  switch (mode) {
    case TZipSortMode::ByName:
      return CompareTextNoCase(a.FullName(), b.FullName());
    case TZipSortMode::ByFileName:
      return CompareTextNoCase(a.FileName(), b.FileName());
    case TZipSortMode::ByDirectoryName:
      return CompareTextNoCase(a.Directory(), b.Directory());
    case TZipSortMode::ByDate:
      return LaterFirst(ComparableDosDateTime(a.DateTime), ComparableDosDateTime(b.DateTime));
    case TZipSortMode::ByCompressedSize:
      return LaterFirst(a.CompressedSize, b.CompressedSize);
    case TZipSortMode::ByUnCompressedSize:
      return LaterFirst(a.UncompressedSize, b.UncompressedSize);
    case TZipSortMode::ByRate:
      return CompressionRate(b) - CompressionRate(a);
    case TZipSortMode::ByNone:
      break;
  }
  return ComparePhysical(a, b);
}

}  // namespace uz

namespace uz {

TSortedZip::TSortedZip(TZipSortMode mode, TDuplicates duplicates, bool ownsItems)
    : TSortedObjectList(ownsItems, duplicates), mode_(mode) {}

int TSortedZip::Compare(const TObject* a, const TObject* b) const {
  return CompareMembers(mode_, *static_cast<const TZipHeaderInfo*>(a),
                        *static_cast<const TZipHeaderInfo*>(b));
}

}  // namespace uz
