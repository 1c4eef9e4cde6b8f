#include "catalogue/uzZipObj.h"

#include <algorithm>

#include "streams/UzLib.h"
#include "selection/uzZipNames.h"

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
int LaterFirst(uint64_t a, uint64_t b) { return b > a ? 1 : -1; }

int ComparePhysical(const TZipHeaderInfo& a, const TZipHeaderInfo& b) {
  if (a.PartNumber != b.PartNumber) return int(a.PartNumber) - int(b.PartNumber);
  if (a.LocalHeaderOffset == b.LocalHeaderOffset) return 0;
  return a.LocalHeaderOffset < b.LocalHeaderOffset ? -1 : 1;
}

}  // namespace

// Directory part + file-name part of both, compared as CompareTextNoCase
// compares the joined names, without joining them.
int CompareFullNamesNoCase(const TZipHeaderInfo& a, const TZipHeaderInfo& b) {
  const std::string& ad = a.Directory();
  const std::string& bd = b.Directory();
  const size_t an = a.FileNameLength(), bn = b.FileNameLength();
  const size_t n = an < bn ? an : bn;
  for (size_t i = 0; i < n; ++i) {
    const char ca = i < ad.size() ? ad[i] : a.FileName()[i - ad.size()];
    const char cb = i < bd.size() ? bd[i] : b.FileName()[i - bd.size()];
    const int d = int(UpperAscii(ca)) - int(UpperAscii(cb));
    if (d != 0) return d;
  }
  return Sign(int64_t(an) - int64_t(bn));
}

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
  return Percentage(member.CompressedSize, member.UncompressedSize);
}

int CompareMembers(TZipSortMode mode, const TZipHeaderInfo& a, const TZipHeaderInfo& b) {
  switch (mode) {
    case TZipSortMode::ByName:
      return CompareFullNamesNoCase(a, b);
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

void TSortedZip::AddAllInOrder(const std::vector<TZipHeaderInfo*>& members) {
  // Adding one by one places an item in front of the items that compare
  // equal to it (so the name and rate orders put ties in reverse order), and
  // behind the items of the date and size orders that tie with it, whose
  // compare never gives 0. A stable sort reproduces both: over the reversed
  // sequence for the first kind, over the sequence itself for the second.
  std::vector<TZipHeaderInfo*> order(members);
  const bool tiesReversed = mode_ == TZipSortMode::ByName || mode_ == TZipSortMode::ByFileName ||
                            mode_ == TZipSortMode::ByDirectoryName ||
                            mode_ == TZipSortMode::ByRate || mode_ == TZipSortMode::ByNone;
  if (tiesReversed) std::reverse(order.begin(), order.end());
  const TZipSortMode mode = mode_;
  std::stable_sort(order.begin(), order.end(), [mode](TZipHeaderInfo* x, TZipHeaderInfo* y) {
    return CompareMembers(mode, *x, *y) < 0 && CompareMembers(mode, *y, *x) >= 0;
  });
  SetCapacity(int(order.size()));
  for (TZipHeaderInfo* member : order) InsertAt(Count(), member);
}

int TSortedZip::Compare(const TObject* a, const TObject* b) const {
  return CompareMembers(mode_, *static_cast<const TZipHeaderInfo*>(a),
                        *static_cast<const TZipHeaderInfo*>(b));
}

}  // namespace uz
