#include <vector>

#include "UnZip.h"
#include "selection/uzZipNames.h"
#include "catalogue/uzZipRecords.h"

namespace uz {

namespace {

// The end record lies in the last bytes of the archive; this many are
// searched (a maximal comment would need 65557).
constexpr int64_t kEndSearchWindow = 0xFFF8;

// Shows the hourglass for the life of the guard.
class TBusyCursor {
 public:
  explicit TBusyCursor(TUnZipUI* ui) : ui_(ui) {
    if (ui_) ui_->SetBusyCursor(true);
  }
  ~TBusyCursor() {
    if (ui_) ui_->SetBusyCursor(false);
  }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;

 private:
  TUnZipUI* ui_;
};

// Old MS-DOS and Windows writers store a folder as a member without a
// trailing separator, marked only by the folder bit of its MS-DOS attributes
// and holding nothing. It is a folder entry like any other. A member with
// data, or a size, or a CRC, is a file whatever that bit says (its content
// would be lost in an empty folder), and so is a member made on Unix whose
// mode says regular file.
bool IsFolderByAttribute(const TZipHeaderInfo& m) {
  constexpr uint32_t kUnixHost = 3, kUnixTypeMask = 0170000, kUnixRegularFile = 0100000;
  const bool unixFile = (m.VersionMadeBy >> 8) == kUnixHost &&
                        ((m.ExternalAttributes >> 16) & kUnixTypeMask) == kUnixRegularFile;
  return !m.IsDirectory() && (m.ExternalAttributes & kAttrDirectory) != 0 &&
         m.UncompressedSize == 0 && m.CompressedSize == 0 && m.CRC32 == 0 && !unixFile;
}

// True when the first `held` bytes (any number) agree with the central
// header signature: a record that a part boundary cuts may go on.
bool StartsLikeCentralRecord(const uint8_t* p, size_t held) {
  for (size_t i = 0; i < held && i < 4; ++i)
    if (p[i] != uint8_t(kCentralHeaderSignature >> (8 * i))) return false;
  return true;
}

}  // namespace

void TUnZip::FreeLists() {
  sortedView_.reset();
  members_.reset();
}

TSortedZip* TUnZip::View() const { return sortedView_ ? sortedView_.get() : members_.get(); }

bool TUnZip::FindEndRecord() {
  const int64_t size = stream_->Size();
  if (size < int64_t(kEndCentralSize)) return false;
  const int64_t window = size < kEndSearchWindow ? size : kEndSearchWindow;
  std::vector<uint8_t> buffer(static_cast<size_t>(window));
  stream_->SetPosition(size - window);
  if (stream_->Read(buffer.data(), buffer.size()) != buffer.size()) return false;
  // The nearest to the end wins: search backwards.
  for (int64_t at = window - int64_t(kEndCentralSize); at >= 0; --at) {
    const uint8_t* p = buffer.data() + at;
    if (p[0] != 'P' || GetLe32(p) != kEndCentralSignature) continue;
    ParseEndCentral(p, end_);
    if (HasZip64Marker(end_) && at >= int64_t(kZip64LocatorSize))
      ReadZip64End(p - kZip64LocatorSize, size - window + at);
    end_.CommentPosition = size - end_.CommentLength;
    if (end_.CommentPosition < 0) end_.CommentPosition = 0;
    return true;
  }
  return false;
}

// An archive with more members or bytes than the end record can state keeps
// the real values in a ZIP64 end record, found through the locator just
// before the end record. Only one in the same file as the end record is
// read (a ZIP64 record on an earlier part would need that part now).
void TUnZip::ReadZip64End(const uint8_t* locator, int64_t recordPosition) {
  uint32_t part = 0, parts = 0;
  uint64_t offset = 0;
  if (!ParseZip64Locator(locator, part, offset, parts) || parts == 0 || part != parts - 1) return;
  const int64_t limit = recordPosition - int64_t(kZip64LocatorSize) - int64_t(kZip64EndSize);
  if (limit < 0 || offset > uint64_t(limit)) return;
  uint8_t record[kZip64EndSize];
  stream_->SetPosition(int64_t(offset));
  if (stream_->Read(record, sizeof record) == sizeof record) ApplyZip64End(record, end_);
}

bool TUnZip::ScanWithBusyCursor() {
  TBusyCursor busy(ui_);
  return ScanLocalHeaders();
}

// Positions the stream at the central directory when one starts at the
// directory offset, creating the member list for it.
bool TUnZip::DirectoryFollows() {
  uint8_t signature[4];
  if (end_.DirectoryOffset > uint64_t(INT64_MAX)) return false;
  const int64_t offset = int64_t(end_.DirectoryOffset);
  stream_->SetPosition(offset);
  const size_t held = stream_->Read(signature, 4);
  if (held == 4 ? GetLe32(signature) != kCentralHeaderSignature
                : !(MayReadOnNextPart() && StartsLikeCentralRecord(signature, held) &&
                    (held > 0 || offset == stream_->Size())))
    return false;
  // A part that ends inside the signature, or right before it: the first
  // record read goes on on the next part.
  stream_->SetPosition(offset);
  members_ = std::make_unique<TSortedZip>(TZipSortMode::ByNone, dupError, true);
  // Room for every record announced at once rather than 16 at a time.
  members_->SetCapacity(end_.TotalEntries < TObjectList::kMaxItems ? end_.TotalEntries
                                                                   : TObjectList::kMaxItems);
  return true;
}

// A catalogue whose read fails part-way is dropped: the next operation reads
// it again and meets the same error, rather than working on some members.
void TUnZip::ReadCatalogue() {
  try {
    ReadCatalogueRecords();
  } catch (...) {
    FreeLists();
    throw;
  }
}

void TUnZip::ReadCatalogueRecords() {
  scanned_ = false;
  recordedTime_ = stream_->ModificationTime();
  FreeLists();
  // A comment read from an earlier version of the file must not survive.
  end_.Clear();
  if (!FindEndRecord()) {
    if (OnInCompleteZip) OnInCompleteZip(this, incompleteZipMode_);
    if (incompleteZipMode_ == TIncompleteZipMode::izAssumeMulti)
      throw EIncompleteZip("Incomplete Zip File");
    if (!ScanWithBusyCursor()) return Resort(sortMode_);
  } else {
    currentPart_ = end_.ThisPart;
    UpdateSpanMode();
    if (end_.DirectoryPart != currentPart_) RequestNextDisk(end_.DirectoryPart + 1);
    if (!DirectoryFollows() && !ScanWithBusyCursor()) return Resort(sortMode_);
  }
  ReadCentralRecords();
  if (end_.ThisPart != 0 && end_.CommentLength != 0) {
    if (currentPart_ != end_.ThisPart) RequestNextDisk(end_.ThisPart + 1);
    ReadArchiveCommentNow();
  }
  // currentPart_ keeps naming the part actually open: the next-disk request
  // relies on it.
  Resort(sortMode_);
}

void TUnZip::ReadCentralRecords() {
  const bool mayContinue = spanMode_ != 0 && !scanned_;
  for (int i = 0; i < end_.TotalEntries; ++i) {
    auto record = std::make_unique<TZipHeaderInfo>();
    if (!ReadCentralRecord(*record, mayContinue)) {
      // A directory found only as the end of a part, which the next part
      // does not continue, is none: an empty catalogue would say the archive
      // holds nothing.
      if (i == 0 && mayContinue) throw EFatalUnzipError(DirectoryBroken());
      break;
    }
    if (scanned_) {
      MergeCentralRecord(*record);
      continue;
    }
    AddMember(std::move(record));
  }
}

// The list's own errors would say only "Error" and "Duplicate Object index";
// the user is told what is wrong with the archive instead.
void TUnZip::AddMember(std::unique_ptr<TZipHeaderInfo> member) {
  if (members_->Count() >= TObjectList::kMaxItems)
    throw EListError("The archive holds more than " + std::to_string(TObjectList::kMaxItems) +
                     " members, the most a catalogue can hold");
  const int same = members_->IndexOf(member.get());
  if (same >= 0)
    throw EListError("Two central records, \"" + members_->Member(same)->FullName() + "\" and \"" +
                     member->FullName() + "\", name the local header at offset " +
                     std::to_string(member->LocalHeaderOffset) +
                     (end_.ThisPart != 0 ? " of part " + std::to_string(member->PartNumber + 1)
                                         : std::string()));
  members_->Add(member.release());
}

void TUnZip::MergeCentralRecord(const TZipHeaderInfo& record) {
  const int index = members_->IndexOf(&record);
  if (index < 0) return;
  TZipHeaderInfo& member = *members_->Member(index);
  const uint64_t offset = member.LocalHeaderOffset;
  member.Assign(record);
  member.LocalHeaderOffset = offset;
  if (end_.ThisPart != 0 && member.CommentLength != 0) ReadMemberCommentNow(member);
}

std::string TUnZip::DirectoryBroken() const {
  return "The central directory does not go on at the start of part " +
         std::to_string(currentPart_ + 1);
}

bool TUnZip::MayReadOnNextPart() const {
  return spanMode_ != 0 && !scanned_ && currentPart_ < end_.ThisPart;
}

// A record of a multi-part archive's central directory may run from one part
// onto the next at any byte (inside its signature, fixed fields, name, extra
// field or comment): what the part lacks comes from the start of the next.
size_t TUnZip::ReadOnAcrossParts(uint8_t* buffer, size_t count, bool mayContinue) {
  size_t held = stream_->Read(buffer, count);
  while (held < count && mayContinue && MayReadOnNextPart()) {
    RequestNextDisk(currentPart_ + 2);
    held += stream_->Read(buffer + held, count - held);
  }
  return held;
}

void TUnZip::SkipOnAcrossParts(int64_t count, bool mayContinue) {
  // Only a multi-part read asks for the part's size: a call per record
  // otherwise.
  while (mayContinue && MayReadOnNextPart()) {
    const int64_t left = stream_->Size() - stream_->Position();
    if (count <= left) break;
    count -= left < 0 ? 0 : left;
    RequestNextDisk(currentPart_ + 2);
  }
  stream_->Seek(count, kSeekCurrent);
}

// Bytes that a record took from two parts are that record only if another
// record, the end of the directory or the end of the part follows them.
bool TUnZip::RecordBoundaryFollows() {
  uint8_t next[4];
  const size_t held = stream_->Read(next, sizeof next);
  stream_->Seek(-int64_t(held), kSeekCurrent);
  for (const uint32_t signature : {kCentralHeaderSignature, kDigitalSignatureSignature,
                                   kZip64EndSignature, kEndCentralSignature}) {
    size_t same = 0;
    while (same < held && next[same] == uint8_t(signature >> (8 * same))) ++same;
    if (same == held) return true;
  }
  return false;
}

bool TUnZip::ReadCentralRecord(TZipHeaderInfo& record, bool mayContinue) {
  int64_t start = stream_->Position();
  int startPart = currentPart_;
  uint8_t fixed[kCentralHeaderSize];
  size_t held = stream_->Read(fixed, sizeof fixed);
  // Only what is still a record's beginning goes on on the next part.
  if (held < sizeof fixed && StartsLikeCentralRecord(fixed, held)) {
    const bool continues = mayContinue && MayReadOnNextPart();
    // A record that begins on the new part is found there, at its start.
    if (held == 0 && continues) {
      start = 0;
      startPart = currentPart_ + 1;
    }
    held += ReadOnAcrossParts(fixed + held, sizeof fixed - held, mayContinue);
    // The directory must go on where this part ends, wholly or inside a
    // record: the members from here on would be lost without a word.
    if (continues && (held != sizeof fixed || GetLe32(fixed) != kCentralHeaderSignature))
      throw EFatalUnzipError(DirectoryBroken());
  }
  if (held != sizeof fixed || GetLe32(fixed) != kCentralHeaderSignature) {
    stream_->SetPosition(start);
    return false;
  }
  const TCentralLengths lengths = ParseCentralHeader(fixed, record);
  std::string raw(lengths.Name, '\0');
  if (!raw.empty() && ReadOnAcrossParts(reinterpret_cast<uint8_t*>(&raw[0]), raw.size(),
                                        mayContinue) != raw.size()) {
    if (currentPart_ != startPart) throw EFatalUnzipError(DirectoryBroken());
    stream_->SetPosition(start);
    return false;
  }
  record.SetStoredName(ConvertStoredName(raw, record.Flags));
  int64_t skip = int64_t(lengths.Extra) + lengths.Comment;
  if (HasZip64Marker(record)) {
    // The real values stand in the extra field.
    std::vector<uint8_t> extra(lengths.Extra);
    const size_t got =
        extra.empty() ? 0 : ReadOnAcrossParts(extra.data(), extra.size(), mayContinue);
    ApplyZip64Extra(extra.data(), got, record);
    skip -= int64_t(got);
  }
  if (IsFolderByAttribute(record)) record.SetStoredName(record.FullName() + "\\");
  record.Comment.reset();
  if (end_.ThisPart != 0 && lengths.Comment != 0) {
    // Parts of a multi-part archive may be gone later: the comment is read
    // now, where it stands. A record split across two parts starts on the
    // previous one, which its start position cannot find again.
    SkipOnAcrossParts(skip - lengths.Comment, mayContinue);
    std::string comment(lengths.Comment, '\0');
    comment.resize(
        ReadOnAcrossParts(reinterpret_cast<uint8_t*>(&comment[0]), comment.size(), mayContinue));
    record.Comment = std::move(comment);
  } else {
    SkipOnAcrossParts(skip, mayContinue);
  }
  // A record cut by a part boundary takes its rest from the next part,
  // whatever that part holds: zeros or foreign bytes would make a member of
  // made-up fields.
  if (currentPart_ != startPart && !RecordBoundaryFollows())
    throw EFatalUnzipError(DirectoryBroken());
  record.CentralRecordPosition = start;
  record.Selected = false;
  return true;
}

void TUnZip::Resort(TZipSortMode mode) {
  sortedView_.reset();
  if (mode != TZipSortMode::ByNone && members_) {
    sortedView_ = std::make_unique<TSortedZip>(mode, dupAccept, false);
    std::vector<TZipHeaderInfo*> members;
    members.reserve(size_t(members_->Count()));
    for (int i = 0; i < members_->Count(); ++i) members.push_back(members_->Member(i));
    sortedView_->AddAllInOrder(members);
  }
  sortMode_ = mode;
}

}  // namespace uz
