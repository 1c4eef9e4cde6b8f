// The extraction of one member: where its file goes, whether it may be
// written (password, existing file), decoding, and the verdict on its data.
#include "extraction/UnZipExtraction.h"
#include "decoders/uzMethods.h"

namespace uz {

namespace {

// Of the external attributes only the low byte holds DOS attributes (other
// hosts keep their own bits above it), and of those only these apply to a
// file: a directory or volume bit must not reach the platform's call.
constexpr uint32_t kFileAttributeMask = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;

// Sizes beyond any file are held at the largest count the decoders take;
// such a member runs out of data and fails, as it must.
int64_t ClampedSize(uint64_t size) {
  return size > uint64_t(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(size);
}

// An output file that an exception interrupts is truncated: it is removed
// rather than left looking like an extracted file.
class TPartialOutput {
 public:
  TPartialOutput(std::unique_ptr<TLFNFileStream>& output, const std::string& path)
      : output_(output), path_(path) {}
  ~TPartialOutput() {
    if (!armed_) return;
    output_.reset();
    DeleteFileAt(path_);
  }
  TPartialOutput(const TPartialOutput&) = delete;
  TPartialOutput& operator=(const TPartialOutput&) = delete;
  void Release() { armed_ = false; }

 private:
  std::unique_ptr<TLFNFileStream>& output_;
  std::string path_;
  bool armed_ = true;
};

}  // namespace

TExtraction::TOutcome TExtraction::ExtractMember(int index) {
  current_.Assign(zip_.ViewMember(index));
  unrequested_ = ClampedSize(current_.CompressedSize);
  encrypted_ = (current_.Flags & 0x0001u) != 0;
  Report(TMemberFault::None, 0);
  if (current_.FullName().empty()) return Unreadable(index, TMemberFault::NoName);
  if (current_.Damage != TMemberFault::None) return Unreadable(index, current_.Damage);
  if (!writing_) return TestMember(index);
  if (!current_.IsDirectory()) PositionAtData();
  const std::string folder = MemberFolder(current_);
  if (current_.IsDirectory()) return FolderEntry(index, folder);
  std::string path = folder + MemberFileName(current_);
  if (NeedsPassword() && !PasswordAccepted(index)) return TOutcome::Done;
  if (!MayWrite(index, path)) return TOutcome::Done;

  OpenOutput(path);
  TPartialOutput partial(output_, path);
  const bool decoded = DecodeMember(index, path);
  if (decoded) FinishOutput();
  partial.Release();
  if (!decoded) {
    output_.reset();
    return TOutcome::Done;
  }
  return Verdict(index, path);
}

// A folder entry counts as extracted only when its folder stands: not when
// a handler has turned folder creation off since the selection, nor when
// the folder cannot be made (a file of that name in the way), which is said.
TExtraction::TOutcome TExtraction::FolderEntry(int index, const std::string& folder) {
  if (!zip_.RecreateDirs()) {
    if (current_.Selected) --count_;
    return TOutcome::Done;
  }
  bool skip = false;
  if (zip_.OnStartUnZip) zip_.OnStartUnZip(&zip_, index, folder, skip);
  if (!FolderExists(folder)) {
    ShowError(("Cannot create folder \"" + folder + "\"").c_str());
    if (current_.Selected) --count_;
  }
  return TOutcome::Done;
}

// A member that the catalogue found broken, or that has no name to give its
// file, is not decoded: it fails as a bad CRC does, encrypted or not, since
// no password can mend it.
TExtraction::TOutcome TExtraction::Unreadable(int index, TMemberFault fault) {
  zip_.memberBytesWritten_ = 0;
  zip_.memberOutgrewSize_ = false;
  zip_.memberDataBad_ = false;
  zip_.memberBadDataReason_.clear();
  Report(fault, 0);
  if (zip_.OnBadCRC) zip_.OnBadCRC(&zip_, 0, static_cast<int32_t>(current_.CRC32), index);
  --count_;
  return TOutcome::Done;
}

// The password is asked for only where it can help: a method that is not
// decoded fails whatever the password.
bool TExtraction::NeedsPassword() const { return encrypted_ && IsDecodable(current_.Method); }

// The member as ExtractMember takes it, minus everything that touches the
// destination; folder entries have nothing to check.
TExtraction::TOutcome TExtraction::TestMember(int index) {
  if (current_.IsDirectory()) return TOutcome::Done;
  PositionAtData();
  const std::string name = current_.FullName();
  if (NeedsPassword() && !PasswordAccepted(index)) return TOutcome::Done;
  output_.reset();
  if (!DecodeMember(index, name)) return TOutcome::Done;
  return Verdict(index, name);
}

// False when the OnStartUnZip handler asked to skip the member.
bool TExtraction::DecodeMember(int index, const std::string& name) {
  state_->Reset(unrequested_, ClampedSize(current_.UncompressedSize), current_.Flags);
  crc_ = 0xFFFFFFFFu;
  memberWritten_ = 0;
  overflowed_ = false;
  badData_ = false;
  cannotRun_ = false;
  bool skip = false;
  if (zip_.OnStartUnZip) zip_.OnStartUnZip(&zip_, index, name, skip);
  if (skip) return false;
  Decode();
  return true;
}

// The folder was made or found for an earlier member; should it have gone
// since (a handler may remove it), it is made again before giving up.
void TExtraction::OpenOutput(const std::string& path) {
  outputName_ = path;
  try {
    output_ = std::make_unique<TLFNFileStream>(path, kFmCreate);
  } catch (const EFCreateError&) {
    if (!zip_.RecreateDirs()) throw;
    ensuredFolders_.clear();
    MemberFolder(current_);
    output_ = std::make_unique<TLFNFileStream>(path, kFmCreate);
  }
}

// Steps over the local header to the member's data; only its two name and
// extra-field lengths are used, everything else comes from the central record.
void TExtraction::PositionAtData() {
  if (zip_.end_.ThisPart != 0 && current_.PartNumber != zip_.currentPart_)
    zip_.RequestNextDisk(current_.PartNumber + 1);
  uint8_t header[30] = {};
  zip_.stream_->SetPosition(ClampedSize(current_.LocalHeaderOffset));
  zip_.stream_->Read(header, sizeof header);
  const int64_t skip = (header[26] | header[27] << 8) + (header[28] | header[29] << 8);
  zip_.stream_->Seek(skip, kSeekCurrent);
}

// The encryption header is read once; each password a handler offers is
// tried on the same twelve bytes.
bool TExtraction::PasswordAccepted(int index) {
  const uint8_t check = TZipCrypt::CheckByte(current_.Flags, current_.CRC32, current_.DateTime);
  uint8_t stored[kEncryptionHeaderSize];
  unrequested_ -= kEncryptionHeaderSize;
  ReadMemberData(stored, kEncryptionHeaderSize);
  for (;;) {
    uint8_t header[kEncryptionHeaderSize];
    std::copy(stored, stored + kEncryptionHeaderSize, header);
    crypt_.Init(zip_.Password());
    if (crypt_.DecryptHeader(header, check)) return true;
    if (!zip_.OnBadPassword) break;
    std::string offered = zip_.Password();
    zip_.OnBadPassword(&zip_, index, offered);
    if (offered == zip_.Password()) break;
    zip_.SetPassword(offered);
  }
  Report(TMemberFault::WrongPassword, 0);
  GiveUp(TSkipReason::PasswordFailed, index);
  return false;
}

bool TExtraction::MayWrite(int index, std::string& path) {
  if (zip_.OverwriteMode() == TUZOverwriteMode::Always || !FileExists(path)) return true;
  bool overwrite = false;
  if (zip_.OverwriteMode() == TUZOverwriteMode::Prompt) {
    if (zip_.OnPromptForOverwrite)
      zip_.OnPromptForOverwrite(&zip_, overwrite, index, path);
    else if (zip_.UI())
      overwrite = zip_.UI()->AskYesNo("Заменить существующий файл " + current_.FileName() + "?",
                                      "File Exists Alert");
  }
  if (overwrite) return true;
  GiveUp(TSkipReason::NotOverwritten, index);
  return false;
}

void TExtraction::GiveUp(TSkipReason reason, int index) {
  if (zip_.OnSkippingFile) zip_.OnSkippingFile(&zip_, reason, index);
  SkipCompressedData();
  --count_;
}

void TExtraction::Decode() {
  const TMethod* method = FindMethod(current_.Method);
  if (method && method->decode) {
    const TDecodeResult result = method->decode(*state_);
    badData_ = result == TDecodeResult::BadData;
    cannotRun_ = result == TDecodeResult::CannotRun;
  } else if (zip_.UI()) {
    zip_.UI()->ShowMessage("Unknown Compression Method", "Zip Error");
  }
}

// The last block may still wait in the file stream's buffer; a failure to
// write it is the same error as for any other block.
void TExtraction::FinishOutput() {
  if (!output_->Flush()) throw EStreamError("Cannot write file \"" + outputName_ + "\"");
}

bool TStampCache::FileTime(uint32_t dosDateTime, int64_t& fileTime) {
  if (!converted_ || dosDateTime != dosDateTime_) {
    valid_ = DosDateTimeToFileTime(dosDateTime, fileTime_);
    dosDateTime_ = dosDateTime;
    converted_ = true;
  }
  fileTime = fileTime_;
  return valid_;
}

// Through the open file, which no write follows any more: no second open.
void TExtraction::StampOutput() {
  int64_t fileTime = 0;
  if (stamps_.FileTime(current_.DateTime, fileTime)) SetModificationTime(output_->File(), fileTime);
  if (zip_.RetainAttributes())
    SetAttributes(output_->File(), current_.ExternalAttributes & kFileAttributeMask);
}

// Why the member fails, None when it is whole. A member is whole only when
// its CRC matches and it wrote exactly the catalogue's size, in all 64
// bits: a stored CRC of 0 alone would pass a member that decodes to nothing
// as an empty file, and a size wrong by a multiple of 4 GiB would pass a
// member whose output was cut at that size (or one cut short of it). Nor may
// its decoder have found the data bad (output that broke off just where the
// member ends, or garbage in an empty member, can match both), or not have
// run at all. An empty member of a method not decoded passes: it holds
// nothing to decode.
TMemberFault TExtraction::Fault(uint32_t calculated) const {
  if (cannotRun_) return TMemberFault::DecoderFailed;
  const bool crcMatches = calculated == current_.CRC32;
  const bool sizeMatches = memberWritten_ == current_.UncompressedSize;
  if (crcMatches && sizeMatches && !badData_ && !overflowed_) return TMemberFault::None;
  if (!IsDecodable(current_.Method)) return TMemberFault::MethodUnsupported;
  if (!crcMatches) return TMemberFault::BadCRC;
  if (overflowed_) return TMemberFault::OutgrewSize;
  return sizeMatches ? TMemberFault::BadData : TMemberFault::BadSize;
}

void TExtraction::Report(TMemberFault fault, uint32_t calculated) {
  zip_.memberFault_ = fault;
  zip_.memberCalculatedCrc_ = calculated;
}

// The date and attributes go only onto a file that stays: a failed member's
// file is deleted, and a read-only one could not be. The file is closed
// before any event reports on it.
TExtraction::TOutcome TExtraction::Verdict(int index, const std::string& path) {
  const uint32_t calculated = ~crc_;
  zip_.memberBytesWritten_ = memberWritten_;
  zip_.memberOutgrewSize_ = overflowed_;
  zip_.memberDataBad_ = badData_;
  zip_.memberBadDataReason_ = state_->badDataReason ? state_->badDataReason : "";
  const TMemberFault fault = Fault(calculated);
  Report(fault, calculated);
  if (fault == TMemberFault::None) {
    if (output_) StampOutput();
    output_.reset();
    if (zip_.OnEndUnZip) zip_.OnEndUnZip(&zip_, index, path);
    return TOutcome::Done;
  }
  // Gone before any handler runs: one that raises must not leave it behind.
  output_.reset();
  if (writing_) DeleteFileAt(path);
  TOutcome outcome = TOutcome::Done;
  // Another password can mend only data that was decoded with the wrong one.
  if (NeedsPassword() && fault != TMemberFault::DecoderFailed) {
    if (zip_.OnBadPassword) {
      std::string offered = zip_.Password();
      zip_.OnBadPassword(&zip_, index, offered);
      if (offered != zip_.Password()) {
        zip_.SetPassword(offered);
        outcome = TOutcome::Retry;
      }
    }
    if (outcome != TOutcome::Retry && zip_.OnSkippingFile)
      zip_.OnSkippingFile(&zip_, TSkipReason::PasswordFailed, index);
  } else if (zip_.OnBadCRC) {
    zip_.OnBadCRC(&zip_, static_cast<int32_t>(calculated), static_cast<int32_t>(current_.CRC32),
                  index);
  }
  if (outcome != TOutcome::Retry) --count_;
  return outcome;
}

}  // namespace uz
