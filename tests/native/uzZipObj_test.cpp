// Member records, stored names and the orders of the sorted member lists.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "uzExceptions.h"
#include "selection/uzZipNames.h"
#include "catalogue/uzZipObj.h"
#include "catalogue/uzZipRecords.h"

namespace uz {
namespace {

// ---- Records ----

TEST(ZipHeaderInfo, NewRecordHoldsTheDefaults) {
  TZipHeaderInfo m;
  EXPECT_EQ(m.VersionMadeBy, 20);
  EXPECT_EQ(m.VersionNeeded, 20);
  EXPECT_EQ(m.Flags, 0);
  EXPECT_EQ(m.Method, 8);
  EXPECT_EQ(m.DateTime, 0u);
  EXPECT_EQ(m.CRC32, 0xFFFFFFFFu);
  EXPECT_EQ(m.CompressedSize, 0u);
  EXPECT_EQ(m.UncompressedSize, 0u);
  EXPECT_EQ(m.FileNameLength(), 0u);
  EXPECT_EQ(m.ExtraFieldLength, 0);
  EXPECT_EQ(m.CommentLength, 0);
  EXPECT_EQ(m.PartNumber, 0);
  EXPECT_EQ(m.InternalAttributes, 1);
  EXPECT_EQ(m.ExternalAttributes, 0x20u);
  EXPECT_EQ(m.LocalHeaderOffset, 0u);
  EXPECT_EQ(m.CentralRecordPosition, 0);
  EXPECT_FALSE(m.Comment.has_value());
  EXPECT_FALSE(m.Selected);
  // Without any name it is no folder entry: a member that cannot be placed.
  EXPECT_FALSE(m.IsDirectory());
  EXPECT_EQ(m.Damage, TMemberFault::None);
}

TEST(ZipHeaderInfo, StoredNameSplitsAtTheLastSeparator) {
  TZipHeaderInfo m;
  m.SetStoredName(ConvertStoredName("folder/sub/file.txt", 0));
  EXPECT_EQ(m.Directory(), "folder\\sub\\");
  EXPECT_EQ(m.FileName(), "file.txt");
  EXPECT_EQ(m.FileNameLength(), 19u);
  EXPECT_FALSE(m.IsDirectory());

  m.SetStoredName(ConvertStoredName("folder/sub/", 0));
  EXPECT_EQ(m.Directory(), "folder\\sub\\");
  EXPECT_EQ(m.FileName(), "");
  EXPECT_TRUE(m.IsDirectory());

  m.SetStoredName(ConvertStoredName("plain.txt", 0));
  EXPECT_EQ(m.Directory(), "");
  EXPECT_EQ(m.FileName(), "plain.txt");
}

TEST(ZipHeaderInfo, SplitAtAColonGetsABackslash) {
  TZipHeaderInfo m;
  m.SetStoredName("C:file.txt");
  EXPECT_EQ(m.Directory(), "C:\\");
  EXPECT_EQ(m.FileName(), "file.txt");
  EXPECT_EQ(m.FileNameLength(), 11u);  // the appended "\" counts
  m.SetDirectory("a\\");
  EXPECT_EQ(m.FileNameLength(), 10u);
}

TEST(ZipHeaderInfo, AssignTakesItsOwnCopyOfTheComment) {
  TZipHeaderInfo a, b;
  a.SetStoredName("x\\y.txt");
  a.Comment = std::string("note");
  a.LocalHeaderOffset = 77;
  b.Assign(a);
  a.Comment->assign("changed");
  EXPECT_EQ(*b.Comment, "note");
  EXPECT_EQ(b.FullName(), "x\\y.txt");
  EXPECT_EQ(b.LocalHeaderOffset, 77u);
}

TEST(EndCentral, ClearResetsEverythingAndAssignKeepsTheModifiedFlag) {
  TEndCentral e;
  e.Signature = 1;
  e.ThisPart = 2;
  e.TotalEntries = 3;
  e.DirectoryOffset = 4;
  e.CommentLength = 5;
  e.Comment = std::string("hello");
  e.CommentPosition = 6;
  e.Modified = 1;
  TEndCentral copy;
  copy.Assign(e);
  EXPECT_EQ(copy.Modified, 0);
  EXPECT_EQ(copy.TotalEntries, 3);
  EXPECT_EQ(*copy.Comment, "hello");
  e.Clear();
  EXPECT_EQ(e.Signature, kEndCentralSignature);
  EXPECT_EQ(e.ThisPart + e.DirectoryPart + e.EntriesOnThisPart + e.TotalEntries, 0);
  EXPECT_EQ(e.DirectorySize + e.DirectoryOffset + e.CommentLength, 0u);
  EXPECT_FALSE(e.Comment.has_value());
  EXPECT_EQ(e.CommentPosition, 0);
  EXPECT_EQ(e.Modified, 0);
}

// ---- Names ----

TEST(StoredNames, Cp437HighBytesBecomeUtf8AndControlBytesStay) {
  EXPECT_EQ(Cp437ToUtf8("\x80\x81\xE1"), "\xC3\x87\xC3\xBC\xC3\x9F");  // Çüß
  EXPECT_EQ(Cp437ToUtf8("\xB0\xFF"), "\xE2\x96\x91\xC2\xA0");          // ░ and NBSP
  EXPECT_EQ(Cp437ToUtf8(std::string("a\x01\x7F\x00z", 5)), std::string("a\x01\x7F\x00z", 5));
}

TEST(StoredNames, Utf8FlaggedNamesAreKeptAndSlashesTurned) {
  const std::string utf8 = "\xC3\xA4/\xC3\xBC.txt";  // ä/ü.txt
  EXPECT_EQ(ConvertStoredName(utf8, kFlagUtf8), "\xC3\xA4\\\xC3\xBC.txt");
  if (OemCodePage() == 437) {
    // Without the flag the same bytes are code page 437 text.
    EXPECT_EQ(ConvertStoredName(utf8, 0), "\xE2\x94\x9C\xC3\xB1\\\xE2\x94\x9C\xE2\x95\x9D.txt");
    EXPECT_EQ(ConvertStoredName("\x84/\x81.txt", 0), "\xC3\xA4\\\xC3\xBC.txt");
  }
}

// ---- Compare helpers ----

TEST(CompareHelpers, NameCompareFoldsOnlyAsciiLetters) {
  EXPECT_EQ(CompareTextNoCase("abc", "ABC"), 0);
  EXPECT_LT(CompareTextNoCase("abc", "abd"), 0);
  EXPECT_LT(CompareTextNoCase("ab", "abc"), 0);
  // Folding goes to upper case: "_" and "\" come after every letter.
  EXPECT_GT(CompareTextNoCase("a_", "aZ"), 0);
  EXPECT_GT(CompareTextNoCase("a\\", "az"), 0);
  // Bytes above 127 compare by value, unfolded.
  EXPECT_GT(CompareTextNoCase("\xC3\xA4", "z"), 0);
  EXPECT_NE(CompareTextNoCase("\xC3\x84", "\xC3\xA4"), 0);
}

TEST(CompareHelpers, FullNamesCompareAsTheirJoinedText) {
  const char* names[] = {"a\\b", "A\\", "ab", "a\\bc", "a_\\b", "", "b\\a\\", "a\\B"};
  for (const char* x : names) {
    for (const char* y : names) {
      TZipHeaderInfo a, b;
      a.SetStoredName(x);
      b.SetStoredName(y);
      const int joined = CompareTextNoCase(x, y);
      const int parts = CompareFullNamesNoCase(a, b);
      EXPECT_EQ((joined > 0) - (joined < 0), (parts > 0) - (parts < 0)) << x << " vs " << y;
    }
  }
}

TEST(CompareHelpers, ImpossibleDosDatesCountAsZero) {
  const uint32_t valid = (uint32_t(45 << 9 | 4 << 5 | 12) << 16) | (13 << 11 | 32 << 5 | 0);
  EXPECT_EQ(ComparableDosDateTime(valid), valid);
  EXPECT_EQ(ComparableDosDateTime(0), 0u);                                     // month 0
  EXPECT_EQ(ComparableDosDateTime(uint32_t(1 << 9 | 2 << 5 | 29) << 16), 0u);  // 1981-02-29
  const uint32_t leap = uint32_t(4 << 9 | 2 << 5 | 29) << 16;                  // 1984-02-29
  EXPECT_EQ(ComparableDosDateTime(leap), leap);
  EXPECT_EQ(ComparableDosDateTime(leap | 24 << 11), 0u);  // hour 24
  EXPECT_EQ(ComparableDosDateTime(leap | 60 << 5), 0u);   // minute 60
  EXPECT_EQ(ComparableDosDateTime(leap | 30), 0u);        // second 60
}

// The rounding itself is the percentage routine's (tested with it); here what
// the rate adds: sizes past 2 and 4 GiB, and rates above 100.
TEST(CompareHelpers, RateOfMember) {
  auto rate = [](uint64_t c, uint64_t u) {
    TZipHeaderInfo m;
    m.CompressedSize = c;
    m.UncompressedSize = u;
    return CompressionRate(m);
  };
  EXPECT_EQ(rate(1, 8), 12);  // 12.5, half to even
  EXPECT_EQ(rate(5, 0), 0);
  EXPECT_EQ(rate(50, 10), 100);
  EXPECT_EQ(rate(0x80000001, 0x100000000), 50);
  EXPECT_EQ(rate(uint64_t(3) << 32, uint64_t(5) << 32), 60);
  EXPECT_EQ(rate(0xFFFFFFFF, 0x140000000), 80);
}

// ---- Sorted lists ----

struct Entry {
  const char* name;
  uint32_t offset;
  uint32_t dateTime = 0;
  uint64_t csize = 0;
  uint64_t usize = 0;
  uint16_t part = 0;
};

// Members added in the order given (the order the catalogue reads them);
// returns their offsets in list order.
std::vector<uint32_t> Order(TZipSortMode mode, const std::vector<Entry>& entries) {
  const TDuplicates dup = mode == TZipSortMode::ByNone ? dupError : dupAccept;
  TSortedZip list(mode, dup, true);
  for (const Entry& s : entries) {
    auto m = std::make_unique<TZipHeaderInfo>();
    m->SetStoredName(s.name);
    m->LocalHeaderOffset = s.offset;
    m->DateTime = s.dateTime;
    m->CompressedSize = s.csize;
    m->UncompressedSize = s.usize;
    m->PartNumber = s.part;
    list.Add(m.release());
  }
  std::vector<uint32_t> offsets;
  for (int i = 0; i < list.Count(); ++i) offsets.push_back(list.Member(i)->LocalHeaderOffset);
  return offsets;
}

using V = std::vector<uint32_t>;

TEST(SortedZip, ByNoneIsPhysicalOrderAcrossParts) {
  EXPECT_EQ(Order(TZipSortMode::ByNone, {{"a", 300}, {"b", 100, 0, 0, 0, 1}, {"c", 200}}),
            (V{200, 300, 100}));
}

TEST(SortedZip, ByNoneRefusesTheSamePartAndOffsetTwice) {
  try {
    Order(TZipSortMode::ByNone, {{"a", 100}, {"b", 100}});
    FAIL() << "no exception";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "Duplicate Object index");
  }
  EXPECT_NO_THROW(Order(TZipSortMode::ByNone, {{"a", 100}, {"b", 100, 0, 0, 0, 1}}));
}

TEST(SortedZip, ByNameIgnoresAsciiCaseAndPutsTheLaterOfEqualNamesFirst) {
  EXPECT_EQ(Order(TZipSortMode::ByName, {{"b\\x", 0}, {"A\\y", 10}, {"a\\Y", 20}, {"a_\\z", 30}}),
            (V{20, 10, 30, 0}));
}

TEST(SortedZip, ByFileNameAndByDirectoryNameUseOneNamePart) {
  const std::vector<Entry> entries = {{"z\\b.txt", 0}, {"y\\a.txt", 10}, {"x\\c.txt", 20}};
  EXPECT_EQ(Order(TZipSortMode::ByFileName, entries), (V{10, 0, 20}));
  EXPECT_EQ(Order(TZipSortMode::ByDirectoryName, entries), (V{20, 10, 0}));
}

TEST(SortedZip, ByDateIsNewestFirstWithTiesInPhysicalOrder) {
  const uint32_t d1 = uint32_t(40 << 9 | 1 << 5 | 1) << 16;
  const uint32_t d2 = uint32_t(41 << 9 | 1 << 5 | 1) << 16;
  const uint32_t bad = uint32_t(50 << 9 | 13 << 5 | 1) << 16;  // month 13: counts as 0
  EXPECT_EQ(Order(TZipSortMode::ByDate,
                  {{"a", 0, d1}, {"b", 10, d2}, {"c", 20, d1}, {"d", 30, bad}, {"e", 40, d2}}),
            (V{10, 40, 0, 20, 30}));
}

TEST(SortedZip, SizeOrdersAreLargestFirstWithTiesInPhysicalOrder) {
  const std::vector<Entry> entries = {
      {"a", 0, 0, 5, 50},
      {"b", 10, 0, 9, 10},
      {"c", 20, 0, 5, 70},
      {"d", 30, 0, 9, 10},
      {"e", 40, 0, 0x80000000, 0x100000001}};  // past 2 and 4 GiB: the largest
  EXPECT_EQ(Order(TZipSortMode::ByCompressedSize, entries), (V{40, 10, 30, 0, 20}));
  EXPECT_EQ(Order(TZipSortMode::ByUnCompressedSize, entries), (V{40, 20, 0, 10, 30}));
}

TEST(SortedZip, ByRateIsHighestFirstWithTiesInReversePhysicalOrder) {
  // Rates 50, 10, 50, 12 (12.5 to even), 0 (nothing uncompressed), 100.
  EXPECT_EQ(Order(TZipSortMode::ByRate, {{"a", 0, 0, 5, 10},
                                         {"b", 10, 0, 1, 10},
                                         {"c", 20, 0, 1, 2},
                                         {"d", 30, 0, 1, 8},
                                         {"e", 40, 0, 7, 0},
                                         {"f", 50, 0, 9, 9}}),
            (V{50, 20, 0, 30, 10, 40}));
}

// Filling a view at once gives exactly the order of adding one by one, ties
// included, in every mode.
TEST(SortedZip, AddAllInOrderMatchesAddingOneByOne) {
  std::mt19937 random(7);
  std::vector<std::unique_ptr<TZipHeaderInfo>> owned;
  std::vector<TZipHeaderInfo*> members;
  const char* names[] = {"a\\x.txt", "A\\X.TXT", "b\\x.txt", "x.txt", "B\\", "_\\y", "y"};
  for (int i = 0; i < 400; ++i) {
    auto m = std::make_unique<TZipHeaderInfo>();
    m->SetStoredName(names[random() % 7]);
    m->LocalHeaderOffset = uint32_t(i * 10);
    m->DateTime =
        (random() % 4 == 0) ? 0u : (uint32_t(40 << 9 | 1 << 5 | (1 + random() % 3)) << 16);
    m->CompressedSize = uint64_t(random() % 5);
    m->UncompressedSize = uint64_t(random() % 6);
    members.push_back(m.get());
    owned.push_back(std::move(m));
  }
  for (TZipSortMode mode :
       {TZipSortMode::ByName, TZipSortMode::ByFileName, TZipSortMode::ByDirectoryName,
        TZipSortMode::ByDate, TZipSortMode::ByCompressedSize, TZipSortMode::ByUnCompressedSize,
        TZipSortMode::ByRate}) {
    TSortedZip oneByOne(mode, dupAccept, false), atOnce(mode, dupAccept, false);
    for (TZipHeaderInfo* m : members) oneByOne.Add(m);
    atOnce.AddAllInOrder(members);
    ASSERT_EQ(atOnce.Count(), oneByOne.Count());
    for (int i = 0; i < oneByOne.Count(); ++i)
      ASSERT_EQ(atOnce.Member(i), oneByOne.Member(i)) << "mode " << int(mode) << " index " << i;
  }
}

// ---- Record parsing ----

TEST(ZipRecords, LocalHeaderNeedsItsSignature) {
  uint8_t bytes[kLocalHeaderSize] = {'P', 'K', 3, 4, 20, 0, 8, 0, 8, 0};
  bytes[18] = 0x10;  // compressed size 16
  bytes[26] = 5;     // name length
  TLocalHeader h;
  ASSERT_TRUE(ParseLocalHeader(bytes, h));
  EXPECT_EQ(h.Flags, 8);
  EXPECT_EQ(h.Method, 8);
  EXPECT_EQ(h.CompressedSize, 16u);
  EXPECT_EQ(h.FileNameLength, 5);
  bytes[3] = 5;
  EXPECT_FALSE(ParseLocalHeader(bytes, h));
}

TEST(ZipRecords, Zip64MarkersTakeTheirValuesFromTheExtraField) {
  TZipHeaderInfo m;
  m.CompressedSize = 0xFFFFFFFF;
  m.UncompressedSize = 0xFFFFFFFF;
  m.LocalHeaderOffset = 0xFFFFFFFF;
  // id 1, 24 bytes: uncompressed, compressed, offset, in that order.
  const uint8_t extra[] = {9,    9, 0,  0,               // an unknown empty block
                           1,    0, 24, 0,               //
                           0x30, 0, 0,  0, 1, 0, 0, 0,   // uncompressed 2^32 + 48
                           0x20, 0, 0,  0, 0, 0, 0, 0,   // compressed 32
                           0,    0, 0,  0, 1, 0, 0, 0};  // offset 2^32
  ASSERT_TRUE(HasZip64Marker(m));
  ApplyZip64Extra(extra, sizeof extra, m);
  EXPECT_EQ(m.UncompressedSize, 0x100000030u);
  EXPECT_EQ(m.CompressedSize, 32u);
  EXPECT_EQ(m.LocalHeaderOffset, 0x100000000u);
  // Only marked fields are present: here the compressed size alone.
  TZipHeaderInfo one;
  one.UncompressedSize = 7;
  one.CompressedSize = 0xFFFFFFFF;
  const uint8_t single[] = {1, 0, 8, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
  ApplyZip64Extra(single, sizeof single, one);
  EXPECT_EQ(one.UncompressedSize, 7u);
  EXPECT_EQ(one.CompressedSize, 0xFFFFFFFFu);  // 4 GiB - 1 is a real size there
  // A block longer than the field holds is ignored.
  TZipHeaderInfo n;
  n.CompressedSize = 0xFFFFFFFF;
  const uint8_t bad[] = {1, 0, 200, 0, 1, 2, 3, 4};
  ApplyZip64Extra(bad, sizeof bad, n);
  EXPECT_EQ(n.CompressedSize, 0xFFFFFFFFu);
  EXPECT_FALSE(HasZip64Extra(bad, sizeof bad));
}

}  // namespace
}  // namespace uz
