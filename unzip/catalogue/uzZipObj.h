#pragma once
// The catalogue's records: the end record of an archive, one record per
// member, and the sorted member lists.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/uzCntn.h"

namespace uz {

enum class TZipSortMode : uint8_t {
  ByName,
  ByFileName,
  ByDirectoryName,
  ByDate,
  ByCompressedSize,
  ByUnCompressedSize,
  ByRate,
  ByNone,
};

constexpr uint32_t kEndCentralSignature = 0x06054B50;

// Why a member cannot be taken as whole. The catalogue sets the first two
// kinds; the extraction finds the others.
enum class TMemberFault : uint8_t {
  None,
  NoName,             // its stored name is empty: nothing to call its file
  NoDescriptor,       // streamed, and no data descriptor where one can stand
  WrongPassword,      // the encryption header's check byte did not match
  MethodUnsupported,  // known by number, not decoded
  DecoderFailed,      // the decoder could not run (no memory for its window)
  BadData,            // the decoder found the compressed data broken
  OutgrewSize,        // the data decodes to more than its size
  BadSize,            // the CRC matched, the size did not
  BadCRC,
};

// The end of central directory record.
class TEndCentral {
 public:
  uint32_t Signature = kEndCentralSignature;
  uint16_t ThisPart = 0;       // non-zero: a multi-part archive (the last part)
  uint16_t DirectoryPart = 0;  // part where the central directory starts
  uint16_t EntriesOnThisPart = 0;
  uint16_t TotalEntries = 0;
  uint64_t DirectorySize = 0;
  uint64_t DirectoryOffset = 0;  // from the start of DirectoryPart
  uint16_t CommentLength = 0;
  std::optional<std::string> Comment;  // absent until first read
  int64_t CommentPosition = 0;         // archive size - CommentLength
  uint8_t Modified = 0;                // a comment was changed in memory

  void Clear();
  // Copies every field except the modified flag.
  void Assign(const TEndCentral& source);
};

// One archive member.
class TZipHeaderInfo : public TObject {
 public:
  std::string ClassName() const override { return "TZipHeaderInfo"; }

  uint16_t VersionMadeBy = 20;
  uint16_t VersionNeeded = 20;
  uint16_t Flags = 0;  // bit 0 encrypted, bit 3 data descriptor, bit 11 UTF-8
  uint16_t Method = 8;
  uint32_t DateTime = 0;  // DOS time in the low half, date in the high half
  uint32_t CRC32 = 0xFFFFFFFF;
  // Sizes and offset are 64-bit: a ZIP64 record may give values past 4 GiB.
  uint64_t CompressedSize = 0;
  uint64_t UncompressedSize = 0;
  uint16_t ExtraFieldLength = 0;
  uint16_t CommentLength = 0;
  uint16_t PartNumber = 0;
  uint16_t InternalAttributes = 1;
  uint32_t ExternalAttributes = 0x20;
  uint64_t LocalHeaderOffset = 0;
  int64_t CentralRecordPosition = 0;   // where the member's central record starts
  std::optional<std::string> Comment;  // absent until first read
  bool Selected = false;
  // Found damaged by the catalogue read: the member fails, whatever its data.
  TMemberFault Damage = TMemberFault::None;

  const std::string& FileName() const { return fileName_; }
  const std::string& Directory() const { return directory_; }
  void SetFileName(const std::string& value) { fileName_ = value; }
  void SetDirectory(const std::string& value) { directory_ = value; }
  // Stores a converted name split into its two parts.
  void SetStoredName(const std::string& name);
  // Bytes of directory part plus file-name part: always their sum.
  size_t FileNameLength() const { return directory_.size() + fileName_.size(); }
  // Directory part followed by file-name part.
  std::string FullName() const { return directory_ + fileName_; }
  // A member without any name is not a folder entry but a member that
  // cannot be placed.
  bool IsDirectory() const { return fileName_.empty() && !directory_.empty(); }

  void Assign(const TZipHeaderInfo& source) { *this = source; }

 private:
  std::string fileName_;   // after the last "\" or ":"
  std::string directory_;  // up to and including that separator, ends in "\"
};

// Compare helpers of the sort modes, exposed for their own tests.
// Folds a-z to A-Z and compares byte values.
int CompareTextNoCase(const std::string& a, const std::string& b);
// CompareTextNoCase of the two full names (directory part + file-name part).
int CompareFullNamesNoCase(const TZipHeaderInfo& a, const TZipHeaderInfo& b);
// The DOS time-and-date when it is a real calendar date and time, else 0.
uint32_t ComparableDosDateTime(uint32_t dosDateTime);
// Compressed size as a percentage of the uncompressed size, rounded half to
// even, at most 100; 0 when the uncompressed size is 0.
int CompressionRate(const TZipHeaderInfo& member);
// compare(A, B) of a mode: negative puts A (already listed) before B.
int CompareMembers(TZipSortMode mode, const TZipHeaderInfo& a, const TZipHeaderInfo& b);

// A sorted list of members. The member list (ByNone, duplicates an error)
// owns its records; the view lists of the other modes accept duplicates and
// own nothing.
class TSortedZip : public TSortedObjectList {
 public:
  TSortedZip(TZipSortMode mode, TDuplicates duplicates, bool ownsItems);
  std::string ClassName() const override { return "TSortedZip"; }
  TZipSortMode SortMode() const { return mode_; }
  TZipHeaderInfo* Member(int index) const { return ItemAs<TZipHeaderInfo>(index); }

  int Compare(const TObject* a, const TObject* b) const override;

  // Fills an empty list with members given in the order they would be
  // added one by one, and leaves them in the order that adding them one by
  // one would give, but in O(n log n) instead of O(n^2) moves.
  void AddAllInOrder(const std::vector<TZipHeaderInfo*>& members);

 private:
  TZipSortMode mode_;
};

}  // namespace uz
