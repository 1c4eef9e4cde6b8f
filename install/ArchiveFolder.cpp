#include "ArchiveFolder.h"

#include <utility>
#include <vector>

#include "UnZip.h"
#include "decoders/uzMethods.h"

namespace {

// Watches one extraction for members that were selected but not written.
// The component reports each of them by an event and leaves the run going,
// which for an installation would mean a "successful" one with files missing.
class TMissedMembers {
 public:
  explicit TMissedMembers(uz::TUnZip& zip) : zip_(zip) {
    zip.OnStartUnZipInfo = [this](uz::TObject*, int numFiles, int64_t, bool&) {
      selected_ = numFiles;
    };
    zip.OnBadCRC = [this](uz::TObject*, int32_t calc, int32_t stored, int index) {
      const uint16_t method = zip_.Member(index).Method;
      // Faults found before any data was checked, which no CRC describes.
      if (zip_.MemberFault() == uz::TMemberFault::NoDescriptor)
        Miss(index, "its data is damaged (no data descriptor follows it)");
      else if (zip_.MemberFault() == uz::TMemberFault::DecoderFailed)
        Miss(index, "there was not enough memory to decode it");
      else if (zip_.MemberFault() == uz::TMemberFault::NoName)
        Miss(index, "it has no name");
      else if (!uz::IsDecodable(method))
        Miss(index, "its compression method " + std::to_string(method) + " is not supported");
      else if (calc != stored)
        Miss(index, "its data is damaged (CRC mismatch)");
      else if (zip_.MemberDataBad() && !zip_.MemberOutgrewSize() &&
               zip_.MemberBytesWritten() == zip_.Member(index).UncompressedSize)
        // CRC and size matched: only the decoder saw the data break off.
        Miss(index, "its data is damaged (bad " + uz::MethodName(method) + " data)");
      else
        Miss(index, "its data is damaged (" + SizeFailure(index) + ")");
    };
    zip.OnSkippingFile = [this](uz::TObject*, uz::TSkipReason reason, int index) {
      Miss(index, reason == uz::TSkipReason::PasswordFailed
                      ? "it is encrypted and no password is given"
                      : "it was skipped");
    };
  }

  // Raises when fewer members were extracted than selected.
  void Check(int extracted) const {
    if (extracted >= selected_) return;
    const int missing = selected_ - extracted;
    std::string text;
    if (missed_.empty()) {
      text = std::to_string(missing) + " of " + std::to_string(selected_) +
             " members were not extracted";
    } else {
      text =
          "Member \"" + missed_.front().first + "\" was not extracted: " + missed_.front().second;
      if (missing > 1) text += " (and " + std::to_string(missing - 1) + " more)";
    }
    throw uz::EFatalUnzipError(zip_.ZipName() + ": " + text);
  }

 private:
  // The CRC matched; the output did not have the member's size.
  std::string SizeFailure(int index) const {
    const std::string stored = std::to_string(zip_.Member(index).UncompressedSize);
    const std::string written = std::to_string(zip_.MemberBytesWritten());
    return zip_.MemberOutgrewSize()
               ? "bad size: more than " + written + " bytes (stored " + stored + ")"
               : "bad size " + written + " (stored " + stored + ")";
  }

  void Miss(int index, std::string why) {
    missed_.emplace_back(zip_.Member(index).FullName(), std::move(why));
  }

  uz::TUnZip& zip_;
  int selected_ = 0;
  std::vector<std::pair<std::string, std::string>> missed_;  // stored name, reason
};

}  // namespace

void ExtractArchiveFolder(const std::string& archivePath, const std::string& folder,
                          const std::string& destination, uz::TUnZipUI* ui,
                          const std::function<void(const std::string&)>& onFile) {
  uz::TUnZip zip(ui);
  TMissedMembers missed(zip);
  if (onFile)
    zip.OnEndUnZip = [&onFile](uz::TObject*, int, const std::string& path) { onFile(path); };
  zip.SetOverwriteMode(uz::TUZOverwriteMode::Always);
  zip.SetZipName(archivePath);
  zip.FilesList().clear();
  zip.FilesList().push_back(folder + "\\*.*");
  zip.SetDestDir(destination);
  missed.Check(zip.ExtractFiles());
}

void TestArchiveFolders(const std::string& archivePath, const std::vector<std::string>& folders,
                        uz::TUnZipUI* ui) {
  uz::TUnZip zip(ui);
  TMissedMembers missed(zip);
  zip.SetZipName(archivePath);
  zip.FilesList().clear();
  for (const std::string& folder : folders) zip.FilesList().push_back(folder + "\\*.*");
  missed.Check(zip.TestFiles());
}
