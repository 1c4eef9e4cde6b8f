// ExtractFiles: the run around the members. The destination folder is the
// process's current folder for the run; a multi-part archive is visited in
// archive order, so that parts are requested one after another; everything
// the run changes is put back however it ends.
#include <algorithm>

#include "extraction/UnZipExtraction.h"

namespace uz {

namespace {

// Restores the current folder found at construction when it goes.
class TCurrentFolderGuard {
 public:
  TCurrentFolderGuard() : saved_(CurrentDirectory()) {}
  ~TCurrentFolderGuard() {
    try {
      ChangeDirectory(saved_);
    } catch (const Exception&) {
      // The folder may have vanished meanwhile; there is nothing better to go back to.
    }
  }
  TCurrentFolderGuard(const TCurrentFolderGuard&) = delete;
  TCurrentFolderGuard& operator=(const TCurrentFolderGuard&) = delete;
  const std::string& Saved() const { return saved_; }

 private:
  std::string saved_;
};

// Orders the view of a multi-part archive by archive position for its
// lifetime, and restores the previous order when it goes.
class TArchiveOrderGuard {
 public:
  explicit TArchiveOrderGuard(TUnZip& zip) : zip_(zip), saved_(zip.SortMode()) {
    changed_ = zip.EndCentral().ThisPart != 0 && saved_ != TZipSortMode::ByNone;
    if (changed_) zip.Resort(TZipSortMode::ByNone);
  }
  ~TArchiveOrderGuard() {
    if (changed_) zip_.Resort(saved_);
  }
  TArchiveOrderGuard(const TArchiveOrderGuard&) = delete;
  TArchiveOrderGuard& operator=(const TArchiveOrderGuard&) = delete;

 private:
  TUnZip& zip_;
  TZipSortMode saved_;
  bool changed_;
};

}  // namespace

int TUnZip::ExtractFiles() {
  OpenZip();
  const int count = TExtraction(*this, /*writing=*/true).Run();
  CloseZip();
  return count;
}

int TUnZip::TestFiles() {
  OpenZip();
  const int count = TExtraction(*this, /*writing=*/false).Run();
  CloseZip();
  return count;
}

TExtraction::TExtraction(TUnZip& owner, bool writing) : zip_(owner), writing_(writing) {}

TExtraction::~TExtraction() = default;

int TExtraction::Run() {
  state_ = std::make_unique<TDecodeState>();
  state_->host = this;
  TCurrentFolderGuard folder;
  // Output paths start with the destination; relative to the folder the run
  // changes into they would land one level too deep, so it is made absolute.
  // Without a destination the current folder serves (never the drive's root).
  destDir_ = AbsoluteDestDir(folder.Saved());
  if (writing_ && !zip_.DestDir().empty()) {
    if (!FolderExists(destDir_)) CreateFolderPath(destDir_);
    ChangeDirectory(destDir_);
  }
  TArchiveOrderGuard order(zip_);
  selectedTotal_ = 0;
  writtenTotal_ = 0;
  count_ = zip_.MemberCount();
  SelectMembers();
  bool stopNow = false;
  const int64_t total = selectedTotal_ > uint64_t(INT64_MAX) ? INT64_MAX : int64_t(selectedTotal_);
  if (zip_.OnStartUnZipInfo) zip_.OnStartUnZipInfo(&zip_, count_, total, stopNow);
  if (count_ > 0 && !stopNow) ExtractSelected();
  return count_;
}

void TExtraction::SelectMembers() {
  for (int i = 0; i < zip_.MemberCount(); ++i) {
    TZipHeaderInfo& member = zip_.ViewMember(i);
    member.Selected = Selects(member);
    if (member.Selected)
      selectedTotal_ += std::min(member.UncompressedSize, UINT64_MAX - selectedTotal_);
    else
      --count_;
  }
}

void TExtraction::ExtractSelected() {
  for (int i = 0; i < zip_.MemberCount(); ++i) {
    if (!zip_.DoAll() && !zip_.ViewMember(i).Selected) continue;
    while (ExtractMember(i) == TOutcome::Retry) {
    }
  }
}

}  // namespace uz
