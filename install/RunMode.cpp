#include "RunMode.h"

#include "CommandLine.h"

namespace {

bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

}  // namespace

std::string SourceFolderOf(const std::string& modulePath) {
  size_t cut = modulePath.size();
  while (cut > 0 && !IsPathSeparator(modulePath[cut - 1])) --cut;
  return modulePath.substr(0, cut);
}

std::string FileNameOf(const std::string& path) { return path.substr(SourceFolderOf(path).size()); }

bool IsRelocatingName(const std::string& modulePath) {
  return EqualsIgnoringAsciiCase(FileNameOf(modulePath), "SETUP.EXE");
}

std::string RelocatedCopyPath(const std::string& tempFolder) {
  // The system reports its temporary folder with a trailing separator; the
  // name is joined with exactly one. The system would also accept a doubled
  // separator ("...\Temp\\Duv20Izeviruvu.exe" names the same file), but the
  // path also becomes the copy's own program path and its source folder, and
  // one spelling of it everywhere is easier to trust.
  std::string path = tempFolder;
  if (path.empty() || !IsPathSeparator(path.back())) path += '\\';
  return path + kRelocatedFileName;
}

std::string RelocatedCopyCommandLine(const std::string& tempFolder, const std::string& switches) {
  // Quoted: a temporary folder under a user profile may hold blanks
  // ("C:\Documents and Settings\..."), and an unquoted path with blanks
  // makes the system try "C:\Documents.exe" and the like first.
  return "\"" + RelocatedCopyPath(tempFolder) + "\" /u" + switches;
}

TRunMode DetectRunMode(const std::string& modulePath, const std::string& commandLine) {
  TRunMode mode;
  mode.SourceFolder = SourceFolderOf(modulePath);
  mode.UninstallMode = HasUninstallSwitch(commandLine);
  mode.SelfRelocation = mode.UninstallMode && IsRelocatingName(modulePath);
  mode.Options = ParseUnattendedOptions(commandLine);
  return mode;
}

std::string RelocatedSwitches(const TUnattendedOptions& options, const std::string& logPath) {
  std::string switches;
  if (options.passive) {
    switches += " /PASSIVE";
  } else if (options.silent) {
    switches += " /S";
  }
  if (!logPath.empty()) switches += " \"/LOG=" + logPath + "\"";
  if (!options.closeApplications) switches += " /NOCLOSEAPPLICATIONS";
  return switches;
}

int CopyResult(bool reported, int32_t reportedCode) {
  const bool ours = (reportedCode >= kExitDone && reportedCode <= kExitBadCommandLine) ||
                    reportedCode == kExitAnotherRun || reportedCode == kExitRestartNeeded;
  return reported && ours ? reportedCode : kExitFailed;
}
