#pragma once
// One run of TUnZip::ExtractFiles, private to the component. It owns the
// buffers of the run, the record of the member being extracted, its output
// file and decryption keys, and it is the decoders' host: it feeds them the
// member's compressed bytes (crossing into the next part of a multi-part
// archive, decrypting) and takes their output (file, CRC, progress events).
//
// Where things live:
//   UnZipExtract.cpp        the run: folders, view order, selection, loop
//   UnZipExtractPlacement.cpp  which members, and where their files go
//   UnZipExtractMember.cpp  one member: placement, password, overwrite,
//                           decoding, date and attributes, the verdict
//   UnZipMemberStream.cpp   the host: compressed input and decoded output
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>

#include "UnZip.h"
#include "decoders/uzCrypt.h"
#include "decoders/uzDecodeState.h"

namespace uz {

// DOS date-times converted to file times, the last one remembered: the
// members of an archive mostly share a few stamps, and each conversion
// consults the time zone (on POSIX systems a file-system check per call).
class TStampCache {
 public:
  bool FileTime(uint32_t dosDateTime, int64_t& fileTime);

 private:
  uint32_t dosDateTime_ = 0;
  int64_t fileTime_ = 0;
  bool converted_ = false;  // dosDateTime_ holds a stamp and the outcome below
  bool valid_ = false;
};

class TExtraction final : private TDecodeHost {
 public:
  // With writing false the run only tests: members are decoded and checked,
  // and nothing is created, asked or written.
  TExtraction(TUnZip& owner, bool writing);
  ~TExtraction() override;
  TExtraction(const TExtraction&) = delete;
  TExtraction& operator=(const TExtraction&) = delete;

  // Extracts from the open archive; returns the number of selected members
  // minus those given up or failed.
  int Run();

 private:
  enum class TOutcome { Done, Retry };

  // The run (UnZipExtract.cpp).
  void SelectMembers();
  void ExtractSelected();

  // Selection and placement (UnZipExtractPlacement.cpp).
  // DestDir made absolute; the current folder when DestDir is empty.
  std::string AbsoluteDestDir(const std::string& currentFolder) const;
  bool Selects(const TZipHeaderInfo& member) const;
  // The member's folder, ending in a separator; created when RecreateDirs.
  std::string MemberFolder(const TZipHeaderInfo& member);
  void RememberFolder(const std::string& folder);
  // The name its file gets in that folder.
  static std::string MemberFileName(const TZipHeaderInfo& member);

  // One member (UnZipExtractMember.cpp).
  TOutcome ExtractMember(int index);
  TOutcome TestMember(int index);
  TOutcome FolderEntry(int index, const std::string& folder);
  TOutcome Unreadable(int index, TMemberFault fault);
  bool NeedsPassword() const;
  bool DecodeMember(int index, const std::string& name);
  void PositionAtData();
  bool PasswordAccepted(int index);
  bool MayWrite(int index, std::string& path);
  void OpenOutput(const std::string& path);
  void GiveUp(TSkipReason reason, int index);
  void Decode();
  void FinishOutput();
  void StampOutput();
  TOutcome Verdict(int index, const std::string& path);
  TMemberFault Fault(uint32_t calculated) const;
  void Report(TMemberFault fault, uint32_t calculated);

  // The decoders' host (UnZipMemberStream.cpp).
  uint32_t ReadCompressed(uint8_t* dst, uint32_t n, bool processMessages) override;
  bool WriteDecoded(const uint8_t* data, uint32_t n) override;
  int64_t CompressedBytesUnrequested() const override;
  void ShowError(const char* text) override;
  // Reads n bytes of member data, from the next parts when this one ends.
  void ReadMemberData(uint8_t* dst, uint32_t n);
  void SkipCompressedData();
  void FirePercentages(uint32_t n);

  TUnZip& zip_;
  std::string destDir_;  // AbsoluteDestDir(), fixed for the run
  // Output folders made or found during this run, with their parents: each
  // is asked of the file system once, however its members are spread.
  std::unordered_set<std::string> ensuredFolders_;
  // The last member's stored folder and where it goes ("\" and platform
  // separators), with the settings it was placed by: members of one folder
  // mostly come together.
  struct TPlacedFolder {
    bool known = false;
    bool recreate = false;
    std::string stored, rootDir, folder, native;
  } placed_;
  TStampCache stamps_;
  std::unique_ptr<TDecodeState> state_;

  // The member being extracted, and its compressed bytes not yet requested
  // from the archive (without the encryption header).
  TZipHeaderInfo current_;
  int64_t unrequested_ = 0;
  bool encrypted_ = false;
  TZipCrypt crypt_;
  std::unique_ptr<TLFNFileStream> output_;
  std::string outputName_;
  uint32_t crc_ = 0xFFFFFFFFu;
  uint64_t memberWritten_ = 0;
  bool overflowed_ = false;  // the data would have outgrown the catalogue's size
  bool badData_ = false;     // the decoder found the compressed data bad
  bool cannotRun_ = false;   // the decoder could not run at all

  const bool writing_;
  int count_ = 0;
  uint64_t selectedTotal_ = 0;  // saturates rather than wrap on absurd sizes
  uint64_t writtenTotal_ = 0;
};

}  // namespace uz
