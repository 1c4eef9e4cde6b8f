#pragma once
// TUnZip, the archive component's façade: names an archive, reads its
// catalogue on demand and extracts the selected members.
//
// Where things live:
//   UnZip.cpp          construction, properties, ZipName setter
//   UnZipOpen.cpp      open and close steps, next-disk request, span mode
//   UnZipCatalog.cpp   catalogue read: end record, central records, re-sort
//   UnZipScan.cpp      the local-header scan of archives without a directory
//   UnZipComments.cpp  member and archive comments, member accessors
//   UnZipExtract.cpp   ExtractFiles, TestFiles
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "streams/UzLib.h"
#include "catalogue/uzCntn.h"
#include "uzExceptions.h"
#include "uzUserInterface.h"
#include "catalogue/uzZipObj.h"

namespace uz {

// An archive without end record while IncompleteZipMode is izAssumeMulti.
class EIncompleteZip : public Exception {
 public:
  explicit EIncompleteZip(const std::string& message) : Exception(message) {}
  const char* ClassName() const override { return "EIncompleteZip"; }
};

enum class TUZOverwriteMode : uint8_t { Prompt, Always, Never };
enum class TSkipReason : uint8_t { PasswordFailed, NotOverwritten };
enum class TIncompleteZipMode : uint8_t { izAssumeMulti, izAssumeBad };

// Event types. Sender is the component; reference parameters are the ones a
// handler may change.
using TStartUnzipInfo =
    std::function<void(TObject* Sender, int NumFiles, int64_t TotalBytes, bool& StopNow)>;
using TFilePercentDone = std::function<void(TObject* Sender, int Percent)>;
using TTotalPercentDone = std::function<void(TObject* Sender, int Percent)>;
using TStartUnZipEvent =
    std::function<void(TObject* Sender, int FileIndex, const std::string& FName, bool& Skip)>;
using TEndUnZipEvent =
    std::function<void(TObject* Sender, int FileIndex, const std::string& FName)>;
using TPromptForOverwrite =
    std::function<void(TObject* Sender, bool& OverWriteIt, int FileIndex, std::string& FName)>;
using TSkippingFile = std::function<void(TObject* Sender, TSkipReason Reason, int FileIndex)>;
using TBadPassword = std::function<void(TObject* Sender, int FileIndex, std::string& NewPassword)>;
using TBadCRC =
    std::function<void(TObject* Sender, int32_t CalcCRC, int32_t StoredCRC, int FileIndex)>;
using TIncompleteZip = std::function<void(TObject* Sender, TIncompleteZipMode& IncompleteMode)>;
using TGetNextDisk = std::function<void(TObject* Sender, int NextDisk, std::string& FName)>;

class TUnZip : public TObject {
 public:
  static constexpr int kThisVersion = 210;

  // ui supplies the dialogs, message boxes and message processing; without
  // one, every dialog counts as cancelled and no message is processed.
  explicit TUnZip(TUnZipUI* ui = nullptr);
  ~TUnZip() override;  // clears the catalogue, closing the archive
  TUnZip(const TUnZip&) = delete;
  TUnZip& operator=(const TUnZip&) = delete;

  std::string ClassName() const override { return "TUnZip"; }

  // ---- Published properties ----
  int ThisVersion() const { return kThisVersion; }
  void SetThisVersion(int /*ignored*/) {}
  const std::string& ZipName() const { return zipName_; }
  // Names the archive and drops the catalogue; nothing is read. A name
  // ending in "?" asks for the file (EUserCanceled when cancelled).
  void SetZipName(const std::string& value);
  const std::string& DestDir() const { return destDir_; }
  // "?" asks for the folder (EUserCanceled when cancelled); a trailing "\"
  // is dropped.
  void SetDestDir(const std::string& value);
  const std::string& RootDir() const { return rootDir_; }
  void SetRootDir(const std::string& value);  // stored with a trailing "\"
  TZipSortMode SortMode() const { return sortMode_; }
  // Takes effect at the next catalogue read (or Resort).
  void SetSortMode(TZipSortMode mode) { sortMode_ = mode; }
  bool RecreateDirs() const { return recreateDirs_; }
  void SetRecreateDirs(bool value) { recreateDirs_ = value; }
  TUZOverwriteMode OverwriteMode() const { return overwriteMode_; }
  void SetOverwriteMode(TUZOverwriteMode mode) { overwriteMode_ = mode; }
  // The component's own pattern list, one pattern per line; callers may
  // edit it in place. SetFilesList copies the lines given.
  std::vector<std::string>& FilesList() { return filesList_; }
  const std::vector<std::string>& FilesList() const { return filesList_; }
  void SetFilesList(const std::vector<std::string>& lines) { filesList_ = lines; }
  bool DoAll() const { return doAll_; }
  void SetDoAll(bool value) { doAll_ = value; }
  TIncompleteZipMode IncompleteZipMode() const { return incompleteZipMode_; }
  void SetIncompleteZipMode(TIncompleteZipMode mode) { incompleteZipMode_ = mode; }
  bool KeepZipOpen() const { return keepZipOpen_; }
  void SetKeepZipOpen(bool value) { keepZipOpen_ = value; }
  bool DoProcessMessages() const { return doProcessMessages_; }
  void SetDoProcessMessages(bool value) { doProcessMessages_ = value; }
  bool RetainAttributes() const { return retainAttributes_; }
  void SetRetainAttributes(bool value) { retainAttributes_ = value; }

  // ---- Events (unassigned by default) ----
  TStartUnzipInfo OnStartUnZipInfo;
  TFilePercentDone OnFilePercentDone;
  TTotalPercentDone OnTotalPercentDone;
  TStartUnZipEvent OnStartUnZip;
  TEndUnZipEvent OnEndUnZip;
  TPromptForOverwrite OnPromptForOverwrite;
  TSkippingFile OnSkippingFile;
  TBadPassword OnBadPassword;
  TBadCRC OnBadCRC;
  TIncompleteZip OnInCompleteZip;
  TGetNextDisk OnGetNextDisk;

  // ---- Public state ----
  const std::string& Password() const { return password_; }
  void SetPassword(const std::string& value) { password_ = value; }
  bool DiskLabelCheck() const { return diskLabelCheck_; }
  void SetDiskLabelCheck(bool value) { diskLabelCheck_ = value; }
  // The output of the member last checked, for OnBadCRC (two equal CRCs
  // there mean the size failed): the bytes it wrote, and whether it would
  // have written more than its size (the output stops there).
  uint64_t MemberBytesWritten() const { return memberBytesWritten_; }
  bool MemberOutgrewSize() const { return memberOutgrewSize_; }
  // Whether its decoder found the compressed data bad; with the CRC and the
  // size right, that alone failed it.
  bool MemberDataBad() const { return memberDataBad_; }
  // What the decoder found wrong, when it says (empty otherwise).
  const std::string& MemberBadDataReason() const { return memberBadDataReason_; }
  // Why the member last checked failed (None when it passed), and the CRC
  // of what it wrote, for the handlers of OnBadCRC and OnSkippingFile.
  TMemberFault MemberFault() const { return memberFault_; }
  uint32_t MemberCalculatedCRC() const { return memberCalculatedCrc_; }
  // 0 one file, 1 spanned over removable disks, 2 split into files.
  int SpanMode() const { return spanMode_; }
  void SetSpanMode(int mode) { spanMode_ = mode; }
  TUnZipUI* UI() const { return ui_; }
  void SetUI(TUnZipUI* ui) { ui_ = ui; }

  // ---- Catalogue ----
  // Members held; 0 without a catalogue. Reads nothing.
  int MemberCount() const;
  // File-name part of the member at a view index; EListError "Index %d is
  // out of range" outside 0 .. MemberCount()-1. Reads nothing.
  std::string MemberName(int index) const;
  // The member at a view index (same check). Reads nothing.
  const TZipHeaderInfo& Member(int index) const;
  // The member's comment, read from the archive on first request.
  std::string MemberComment(int index);
  void SetMemberComment(int index, const std::string& text);
  // The archive comment; opens the archive (reading the catalogue when
  // needed) and reads the comment on first request.
  std::string ArchiveComment();
  void SetArchiveComment(const std::string& text);
  const TEndCentral& EndCentral() const { return end_; }
  // True while the member list comes from the local-header scan.
  bool Scanned() const { return scanned_; }

  // Open step: opens the archive when it is closed, then reads the
  // catalogue when none is held or the archive file's modification time
  // differs from the one recorded at the last read.
  void OpenZip();
  // Close step: closes the archive unless KeepZipOpen.
  void CloseZip();
  // Drops the catalogue, closes the archive (also with KeepZipOpen) and
  // empties ZipName.
  void ClearCatalogue();
  // Rebuilds the view for mode and stores mode in SortMode.
  void Resort(TZipSortMode mode);
  // Next-disk request: opens the file holding disk (1-based) as the archive
  // stream, asking OnGetNextDisk for its name. EUserCanceled "User canceled
  // loading new disk." when the answer is empty or no handler is assigned.
  TLFNFileStream& RequestNextDisk(int disk);
  // The part (0-based) whose file the archive stream has open.
  int CurrentPart() const { return currentPart_; }
  // The open archive stream, nullptr while closed.
  TLFNFileStream* ArchiveStream() const { return stream_.get(); }

  // ---- Extraction (UnZipExtract.cpp) ----
  // Extracts the selected members; returns how many were extracted.
  int ExtractFiles();
  // Decodes the selected members and checks their CRC, as ExtractFiles
  // would, but writes nothing: no folder is made or changed into, no file is
  // created, no overwrite question is asked. The events fire as in
  // ExtractFiles (FName is the member's stored name); returns how many
  // members passed.
  int TestFiles();

 private:
  // One run of ExtractFiles works on the catalogue and the archive stream.
  friend class TExtraction;

  // Catalogue read (UnZipCatalog.cpp).
  void ReadCatalogue();
  void ReadCatalogueRecords();
  bool FindEndRecord();
  void ReadZip64End(const uint8_t* locator, int64_t recordPosition);
  bool DirectoryFollows();
  void ReadCentralRecords();
  bool ReadCentralRecord(TZipHeaderInfo& record, bool mayContinue);
  bool MayReadOnNextPart() const;
  std::string DirectoryBroken() const;
  size_t ReadOnAcrossParts(uint8_t* buffer, size_t count, bool mayContinue);
  void SkipOnAcrossParts(int64_t count, bool mayContinue);
  void MergeCentralRecord(const TZipHeaderInfo& record);
  void AddMember(std::unique_ptr<TZipHeaderInfo> member);
  bool RecordBoundaryFollows();
  void UpdateSpanMode();
  void FreeLists();
  // The view list: the sorted view, or the member list itself.
  TSortedZip* View() const;
  TZipHeaderInfo& ViewMember(int index) const;
  void CheckIndex(int index) const;

  // Local-header scan (UnZipScan.cpp).
  bool ScanLocalHeaders();
  bool ScanWithBusyCursor();
  bool HuntLocalSignature();
  void CountHunted(size_t bytes, int& counted);
  bool ReadLocalMember(int64_t start);
  void SkipStreamedData(TZipHeaderInfo& member, bool zip64, int64_t dataStart);
  bool ProbeDescriptor(TZipHeaderInfo& member, bool zip64, int64_t dataStart);
  bool DescriptorAt(TZipHeaderInfo& member, bool zip64, int64_t end, uint64_t length);
  bool FindDescriptor(TZipHeaderInfo& member, bool zip64, int64_t dataStart);
  void ProcessMessages();

  // Comments (UnZipComments.cpp).
  std::string ReadBytesAt(int64_t position, size_t count);
  void ReadMemberCommentNow(TZipHeaderInfo& member);
  void ReadArchiveCommentNow();

  TUnZipUI* ui_;

  // Properties.
  std::string zipName_;
  std::string destDir_;
  std::string rootDir_;
  TZipSortMode sortMode_ = TZipSortMode::ByNone;
  bool recreateDirs_ = false;
  TUZOverwriteMode overwriteMode_ = TUZOverwriteMode::Prompt;
  std::vector<std::string> filesList_;
  bool doAll_ = false;
  TIncompleteZipMode incompleteZipMode_ = TIncompleteZipMode::izAssumeMulti;
  bool keepZipOpen_ = false;
  bool doProcessMessages_ = true;
  bool retainAttributes_ = true;
  std::string password_;
  bool diskLabelCheck_ = true;
  int spanMode_ = 0;

  // Catalogue state.
  std::unique_ptr<TLFNFileStream> stream_;
  int64_t recordedTime_ = 0;  // archive file's modification time at the last read
  TEndCentral end_;
  std::unique_ptr<TSortedZip> members_;     // physical order, owns the records
  std::unique_ptr<TSortedZip> sortedView_;  // absent for ByNone
  int currentPart_ = 0;
  bool scanned_ = false;
  uint64_t memberBytesWritten_ = 0;
  bool memberOutgrewSize_ = false;
  bool memberDataBad_ = false;
  std::string memberBadDataReason_;
  TMemberFault memberFault_ = TMemberFault::None;
  uint32_t memberCalculatedCrc_ = 0;
};

}  // namespace uz
