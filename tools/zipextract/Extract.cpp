#include "Extract.h"

#include <cstdio>

#include "Progress.h"
#include "Terminal.h"
#include "decoders/uzMethods.h"

namespace zipextract {

namespace {

constexpr int kExitAllExtracted = 0;
constexpr int kExitSomeFailed = 1;

// What the summary needs from a run, gathered through the component's own
// events; handlers already assigned (the event printer) keep running first.
struct TTally {
  int selected = 0;
  uint64_t bytesDone = 0;
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
    tally.bytesDone += unzip.Member(index).UncompressedSize;
  };
}

// One line on standard error per member that failed its check, whatever -q
// says: these are the errors of the run. A progress line is wiped first, so
// that the error stands on a line of its own.
void ReportFailures(uz::TUnZip& unzip, std::ostream& err, TProgressLine& progress) {
  uz::TBadCRC badCrc = unzip.OnBadCRC;
  unzip.OnBadCRC = [badCrc, &unzip, &err, &progress](uz::TObject* sender, int32_t calc,
                                                     int32_t stored, int index) {
    if (badCrc) badCrc(sender, calc, stored, index);
    progress.Finish();
    char why[96];
    const auto stored64 = static_cast<unsigned long long>(unzip.Member(index).UncompressedSize);
    const auto written = static_cast<unsigned long long>(unzip.MemberBytesWritten());
    if (calc == stored && unzip.MemberOutgrewSize())  // stopped at its size
      std::snprintf(why, sizeof why, "bad size: more than %llu bytes (stored %llu)", written,
                    stored64);
    else if (calc == stored && written == stored64 && unzip.MemberDataBad())  // only the decoder
      std::snprintf(why, sizeof why, "bad %s data after %llu bytes of output",
                    uz::MethodName(unzip.Member(index).Method).c_str(), written);
    else if (calc == stored)  // the CRC matched: the size is what failed
      std::snprintf(why, sizeof why, "bad size %llu (stored %llu)", written, stored64);
    else
      std::snprintf(why, sizeof why, "bad CRC %08x (stored %08x)", uint32_t(calc),
                    uint32_t(stored));
    err << "zipextract: " << unzip.Member(index).FullName() << ": " << why << "\n";
  };
  uz::TSkippingFile skipping = unzip.OnSkippingFile;
  unzip.OnSkippingFile = [skipping, &unzip, &err, &progress](uz::TObject* sender,
                                                             uz::TSkipReason reason, int index) {
    if (skipping) skipping(sender, reason, index);
    if (reason != uz::TSkipReason::PasswordFailed) return;
    progress.Finish();
    err << "zipextract: " << unzip.Member(index).FullName() << ": wrong password\n";
  };
}

}  // namespace

int RunExtraction(uz::TUnZip& unzip, const TOptions& options, std::ostream& out,
                  std::ostream& err) {
  const bool testing = options.action == TAction::Test;
  TTally tally;
  CountThroughEvents(unzip, tally);
  // Event lines on the same terminal would be torn apart by the redraws.
  TProgressLine progress(err);
  if (!options.quiet && !options.events && StderrIsTerminal()) progress.Attach(unzip);
  ReportFailures(unzip, err, progress);
  const int done = testing ? unzip.TestFiles() : unzip.ExtractFiles();
  progress.Finish();
  out.flush();
  if (!options.quiet) {
    err << "zipextract: " << done << " of " << tally.selected << " members "
        << (testing ? "tested OK, " : "extracted, ") << tally.bytesDone
        << (testing ? " bytes checked\n" : " bytes written\n");
  }
  return done == tally.selected ? kExitAllExtracted : kExitSomeFailed;
}

}  // namespace zipextract
