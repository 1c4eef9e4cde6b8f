#include "Extract.h"

namespace zipextract {

namespace {

constexpr int kExitAllExtracted = 0;
constexpr int kExitSomeFailed = 1;

// What the summary needs from a run, gathered through the component's own
// events; handlers already assigned (the event printer) keep running first.
struct TTally {
  int selected = 0;
  int64_t bytesWritten = 0;
};

void CountThroughEvents(uz::TUnZip& unzip, TTally& tally) {
  uz::TStartUnzipInfo info = unzip.OnStartUnZipInfo;
  unzip.OnStartUnZipInfo = [info, &tally](uz::TObject* sender, int numFiles, int64_t totalBytes,
                                          bool& stopNow) {
    if (info) info(sender, numFiles, totalBytes, stopNow);
    tally.selected = numFiles;
  };
  uz::TEndUnZipEvent end = unzip.OnEndUnZip;
  unzip.OnEndUnZip = [end, &tally, &unzip](uz::TObject* sender, int index,
                                           const std::string& name) {
    if (end) end(sender, index, name);
    tally.bytesWritten += unzip.Member(index).UncompressedSize;
  };
}

}  // namespace

int RunExtraction(uz::TUnZip& unzip, const TOptions& options, std::ostream& /*out*/,
                  std::ostream& err) {
  TTally tally;
  CountThroughEvents(unzip, tally);
  const int extracted = unzip.ExtractFiles();
  if (!options.quiet)
    err << "zipextract: " << extracted << " of " << tally.selected << " members extracted, "
        << tally.bytesWritten << " bytes written\n";
  return extracted == tally.selected ? kExitAllExtracted : kExitSomeFailed;
}

}  // namespace zipextract
