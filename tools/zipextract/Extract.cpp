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

// The member as the user knows it; one without a name by where it stands.
std::string MemberLabel(const uz::TZipHeaderInfo& member) {
  if (!member.FullName().empty()) return member.FullName();
  return "the member at offset " + std::to_string(member.LocalHeaderOffset);
}

// What is wrong with the member the component has just failed.
std::string Reason(const uz::TUnZip& unzip, const uz::TZipHeaderInfo& member) {
  char why[112];
  const auto stored = static_cast<unsigned long long>(member.UncompressedSize);
  const auto written = static_cast<unsigned long long>(unzip.MemberBytesWritten());
  switch (unzip.MemberFault()) {
    case uz::TMemberFault::NoName:
      return "it has no name";
    case uz::TMemberFault::NoDescriptor:
      return "no data descriptor follows its data";
    case uz::TMemberFault::WrongPassword:
      return "wrong password";
    case uz::TMemberFault::MethodUnsupported:
      std::snprintf(why, sizeof why, "method %u%s is not supported", unsigned(member.Method),
                    uz::FindMethod(member.Method)
                        ? (" (" + uz::MethodName(member.Method) + ")").c_str()
                        : "");
      return why;
    case uz::TMemberFault::DecoderFailed:
      return "not enough memory to decode it";
    case uz::TMemberFault::BadData: {
      std::snprintf(why, sizeof why, "bad %s data after %llu bytes of output",
                    uz::MethodName(member.Method).c_str(), written);
      const std::string& detail = unzip.MemberBadDataReason();
      return detail.empty() ? why : why + (" (" + detail + ")");
    }
    case uz::TMemberFault::OutgrewSize:
      std::snprintf(why, sizeof why, "bad size: more than %llu bytes (stored %llu)", written,
                    stored);
      return why;
    case uz::TMemberFault::BadSize:
      std::snprintf(why, sizeof why, "bad size %llu (stored %llu)", written, stored);
      return why;
    case uz::TMemberFault::BadCRC:
    case uz::TMemberFault::None:
      break;
  }
  std::snprintf(why, sizeof why, "bad CRC %08x (stored %08x)", unzip.MemberCalculatedCRC(),
                member.CRC32);
  return why;
}

// One line on standard error per member that failed its check or was given
// up for its password, whatever -q says: these are the errors of the run. A
// progress line is wiped first, so that the error stands on a line of its own.
void ReportFailures(uz::TUnZip& unzip, std::ostream& err, TProgressLine& progress) {
  auto report = [&unzip, &err, &progress](int index) {
    progress.Finish();
    const uz::TZipHeaderInfo& member = unzip.Member(index);
    err << "zipextract: " << MemberLabel(member) << ": " << Reason(unzip, member) << "\n";
  };
  uz::TBadCRC badCrc = unzip.OnBadCRC;
  unzip.OnBadCRC = [badCrc, report](uz::TObject* sender, int32_t calc, int32_t stored, int index) {
    if (badCrc) badCrc(sender, calc, stored, index);
    report(index);
  };
  uz::TSkippingFile skipping = unzip.OnSkippingFile;
  unzip.OnSkippingFile = [skipping, report](uz::TObject* sender, uz::TSkipReason reason,
                                            int index) {
    if (skipping) skipping(sender, reason, index);
    if (reason == uz::TSkipReason::PasswordFailed) report(index);
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
