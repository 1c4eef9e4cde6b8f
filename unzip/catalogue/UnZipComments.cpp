#include <cstdio>

#include "UnZip.h"
#include "catalogue/uzZipRecords.h"

namespace uz {

namespace {

// Closes the archive when the guard ends (close step).
class TCloseGuard {
 public:
  explicit TCloseGuard(TUnZip& unzip) : unzip_(unzip) {}
  ~TCloseGuard() { unzip_.CloseZip(); }
  TCloseGuard(const TCloseGuard&) = delete;
  TCloseGuard& operator=(const TCloseGuard&) = delete;

 private:
  TUnZip& unzip_;
};

}  // namespace

int TUnZip::MemberCount() const { return members_ ? members_->Count() : 0; }

void TUnZip::CheckIndex(int index) const {
  if (index < 0 || index >= MemberCount()) {
    char message[64];
    std::snprintf(message, sizeof message, "Index %d is out of range", index);
    throw EListError(message);
  }
}

TZipHeaderInfo& TUnZip::ViewMember(int index) const {
  CheckIndex(index);
  return *View()->Member(index);
}

const TZipHeaderInfo& TUnZip::Member(int index) const { return ViewMember(index); }

std::string TUnZip::MemberName(int index) const { return ViewMember(index).FileName(); }

std::string TUnZip::MemberComment(int index) {
  {
    const TZipHeaderInfo& member = ViewMember(index);
    if (member.CommentLength == 0) return std::string();
    if (member.Comment) return *member.Comment;
  }
  OpenZip();
  TCloseGuard close(*this);
  // The open step may have read a changed archive again.
  TZipHeaderInfo& member = ViewMember(index);
  if (member.CommentLength == 0) return std::string();
  if (!member.Comment) ReadMemberCommentNow(member);
  return *member.Comment;
}

void TUnZip::SetMemberComment(int index, const std::string& text) {
  TZipHeaderInfo& member = ViewMember(index);
  if (member.Comment && *member.Comment == text) return;
  member.Comment = text;
  member.CommentLength = static_cast<uint16_t>(text.size());
  end_.Modified = 1;
}

std::string TUnZip::ArchiveComment() {
  if (end_.Comment) return *end_.Comment;
  OpenZip();
  TCloseGuard close(*this);
  if (end_.CommentLength == 0) return std::string();
  if (!end_.Comment) ReadArchiveCommentNow();
  return *end_.Comment;
}

void TUnZip::SetArchiveComment(const std::string& text) {
  if (end_.Comment && *end_.Comment == text) return;
  end_.Comment = text;
  end_.CommentLength = static_cast<uint16_t>(text.size());
  end_.Modified = 1;
}

// A short read (a comment that claims more than the file holds) keeps what
// came.
std::string TUnZip::ReadBytesAt(int64_t position, size_t count) {
  std::string bytes(count, '\0');
  stream_->SetPosition(position);
  bytes.resize(stream_->Read(&bytes[0], count));
  return bytes;
}

void TUnZip::ReadMemberCommentNow(TZipHeaderInfo& member) {
  uint8_t fixed[kCentralHeaderSize];
  stream_->SetPosition(member.CentralRecordPosition);
  if (stream_->Read(fixed, sizeof fixed) != sizeof fixed) {
    member.Comment = std::string();
    return;
  }
  const int64_t skip = int64_t(GetLe16(fixed + 28)) + GetLe16(fixed + 30);
  const int64_t at = member.CentralRecordPosition + int64_t(kCentralHeaderSize) + skip;
  member.Comment = ReadBytesAt(at, GetLe16(fixed + 32));
}

void TUnZip::ReadArchiveCommentNow() {
  end_.Comment = ReadBytesAt(end_.CommentPosition, end_.CommentLength);
}

}  // namespace uz
