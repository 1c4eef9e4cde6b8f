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
  stream_->SetPosition(int64_t(end_.DirectoryOffset));
  if (stream_->Read(signature, 4) != 4 || GetLe32(signature) != kCentralHeaderSignature)
    return false;
  stream_->Seek(-4, kSeekCurrent);
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
    if (!ReadCentralRecord(*record, mayContinue)) break;
    if (scanned_) {
      MergeCentralRecord(*record);
      continue;
    }
    members_->Add(record.release());  // owned by the list from here on, even when it throws
  }
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

bool TUnZip::ReadCentralRecord(TZipHeaderInfo& record, bool mayContinue) {
  int64_t start = stream_->Position();
  uint8_t fixed[kCentralHeaderSize];
  size_t held = stream_->Read(fixed, sizeof fixed);
  const bool partial =
      held >= 4 && held < sizeof fixed && GetLe32(fixed) == kCentralHeaderSignature;
  if ((held == 0 || partial) && mayContinue) {
    RequestNextDisk(currentPart_ + 2);
    // A record that begins on the new part is found there, at its start.
    if (held == 0) start = 0;
    held += stream_->Read(fixed + held, sizeof fixed - held);
  }
  if (held != sizeof fixed || GetLe32(fixed) != kCentralHeaderSignature) {
    stream_->SetPosition(start);
    return false;
  }
  const TCentralLengths lengths = ParseCentralHeader(fixed, record);
  std::string raw(lengths.Name, '\0');
  if (stream_->Read(&raw[0], raw.size()) != raw.size()) {
    stream_->SetPosition(start);
    return false;
  }
  record.SetStoredName(ConvertStoredName(raw, record.Flags));
  int64_t skip = int64_t(lengths.Extra) + lengths.Comment;
  if (HasZip64Marker(record)) {
    // The real values stand in the extra field.
    std::vector<uint8_t> extra(lengths.Extra);
    const size_t got = extra.empty() ? 0 : stream_->Read(extra.data(), extra.size());
    ApplyZip64Extra(extra.data(), got, record);
    skip -= int64_t(got);
  }
  record.Comment.reset();
  if (end_.ThisPart != 0 && lengths.Comment != 0) {
    // Parts of a multi-part archive may be gone later: the comment is read
    // now, where it stands. A record split across two parts starts on the
    // previous one, which its start position cannot find again.
    stream_->Seek(skip - lengths.Comment, kSeekCurrent);
    std::string comment(lengths.Comment, '\0');
    comment.resize(stream_->Read(&comment[0], comment.size()));
    record.Comment = std::move(comment);
  } else {
    stream_->Seek(skip, kSeekCurrent);
  }
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
