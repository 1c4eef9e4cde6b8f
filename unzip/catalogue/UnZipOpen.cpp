#include <cstdio>

#include "UnZip.h"

namespace uz {

void TUnZip::OpenZip() {
  if (!stream_)
    stream_ = std::make_unique<TLFNFileStream>(zipName_, kFmOpenRead | kFmShareDenyWrite);
  if (!members_ || stream_->ModificationTime() != recordedTime_) ReadCatalogue();
}

void TUnZip::CloseZip() {
  if (!keepZipOpen_) stream_.reset();
}

void TUnZip::UpdateSpanMode() {
  if (end_.ThisPart == 0) {
    spanMode_ = 0;
  } else if (zipName_.size() >= 2 && zipName_[1] == ':') {
    std::string root = zipName_.substr(0, 3);
    for (char& c : root)
      if (c >= 'a' && c <= 'z') c = char(c - 32);
    spanMode_ = IsRemovableDrive(root) ? 1 : 2;
  } else {
    spanMode_ = 2;
  }
}

namespace {

// A spanned disk carries its 1-based number in the last three characters of
// its (at most 11-character) volume label.
bool DiskLabelMatches(const std::string& zipName, int disk) {
  std::string root = zipName.substr(0, 3);
  for (char& c : root)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  char expected[16];
  std::snprintf(expected, sizeof expected, "%3.3d", disk);
  return RightPart(LeftPart(VolumeLabel(root), 11), 3) == expected;
}

}  // namespace

TLFNFileStream& TUnZip::RequestNextDisk(int disk) {
  stream_.reset();
  std::string name = zipName_;
  for (;;) {
    // Without a handler nobody can name the part: that is a cancel.
    if (OnGetNextDisk)
      OnGetNextDisk(this, disk, name);
    else
      name.clear();
    if (diskLabelCheck_ && !name.empty() && spanMode_ == 1 && !DiskLabelMatches(zipName_, disk))
      continue;
    if (name.empty()) throw EUserCanceled("User canceled loading new disk.");
    if (FileExists(name)) break;
  }
  stream_ = std::make_unique<TLFNFileStream>(name, kFmOpenRead);
  currentPart_ = disk - 1;
  recordedTime_ = stream_->ModificationTime();
  zipName_ = name;
  return *stream_;
}

void TUnZip::ProcessMessages() {
  if (doProcessMessages_ && ui_) ui_->ProcessMessages();
}

}  // namespace uz
