#include "Session.h"

#include <cstdlib>

#include "decoders/uzProcessorPaths.h"

#include "ConsoleUI.h"
#include "EventLog.h"
#include "Extract.h"
#include "Listing.h"
#include "Options.h"
#include "Parts.h"

namespace zipextract {

namespace {

constexpr int kExitError = 2;

void Configure(uz::TUnZip& unzip, const TOptions& o) {
  unzip.SetIncompleteZipMode(o.assumeBad ? uz::TIncompleteZipMode::izAssumeBad
                                         : uz::TIncompleteZipMode::izAssumeMulti);
  unzip.SetSortMode(o.sortMode);
  unzip.SetFilesList(o.patterns);
  // As with the usual ZIP tools, naming no member means every member.
  unzip.SetDoAll(o.doAll || o.patterns.empty());
  unzip.SetRecreateDirs(o.recreateDirs);
  unzip.SetRootDir(o.rootDir);
  unzip.SetOverwriteMode(o.overwrite);
  unzip.SetPassword(o.password);
  unzip.SetRetainAttributes(o.retainAttributes);
  unzip.SetDestDir(o.destDir.empty() ? uz::CurrentDirectory() : o.destDir);
  unzip.SetZipName(o.archive);
}

int RunAction(uz::TUnZip& unzip, const TOptions& o, std::ostream& out, std::ostream& err) {
  switch (o.action) {
    case TAction::List:
      unzip.OpenZip();
      PrintListing(unzip, out);
      unzip.CloseZip();
      return 0;
    case TAction::VerboseList:
      unzip.OpenZip();
      PrintHumanListing(unzip, out);
      unzip.CloseZip();
      return 0;
    case TAction::Comment:
      out << unzip.ArchiveComment() << "\n";
      return 0;
    case TAction::Extract:
    case TAction::Test:
    case TAction::Help:
    case TAction::Version:
      break;
  }
  return RunExtraction(unzip, o, out, err);
}

// A misspelt cap still caps (to the plain path); the user hears of it once.
void WarnOfUnknownProcessorPath(std::ostream& err) {
  const char* value = std::getenv(uz::kProcessorPathVariable);
  if (uz::NamesProcessorPath(value)) return;
  err << "zipextract: " << uz::kProcessorPathVariable << "=" << value
      << " names no processor path (plain, clmul, bmi2, wide): the plain path is taken\n";
}

}  // namespace

int RunZipextract(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  TOptions options;
  std::string error;
  if (!ParseArguments(args, options, error)) {
    err << "zipextract: " << error << "\n" << Usage();
    return kExitError;
  }
  if (options.action == TAction::Help) {
    out << Usage();
    return 0;
  }
  if (options.action == TAction::Version) {
    out << "zipextract " << uz::TUnZip::kThisVersion / 100 << "." << uz::TUnZip::kThisVersion % 100
        << "\n";
    return 0;
  }
  WarnOfUnknownProcessorPath(err);
  TConsoleUI ui(err);
  uz::TUnZip unzip(&ui);
  TPartFinder finder(options.archive, unzip, ui);
  unzip.OnGetNextDisk = [&finder](uz::TObject*, int disk, std::string& name) {
    finder(disk, name);
  };
  if (options.events) AttachEventPrinter(unzip, ui, out);
  try {
    Configure(unzip, options);
    const int status = RunAction(unzip, options, out, err);
    out.flush();
    return status;
  } catch (const uz::Exception& e) {
    out.flush();
    err << options.archive << ": " << e.ClassName() << ": " << e.what() << "\n";
  } catch (const std::exception& e) {
    out.flush();
    err << options.archive << ": Exception: " << e.what() << "\n";
  }
  return kExitError;
}

}  // namespace zipextract
