#include "RunMode.h"

#include <cctype>

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

namespace {

constexpr char kRelocationFolderStem[] = "Duv20Izeviruvu.~";

}  // namespace

std::string RelocationFolderIn(const std::string& tempFolder, uint32_t tag) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string path = tempFolder;
  if (path.empty() || !IsPathSeparator(path.back())) path += '\\';
  path += kRelocationFolderStem;
  for (int shift = 28; shift >= 0; shift -= 4) path += kHex[(tag >> shift) & 0xF];
  return path;
}

bool IsRelocationFolder(const std::string& folder) {
  std::string path = folder;
  while (!path.empty() && IsPathSeparator(path.back())) path.pop_back();
  const std::string name = FileNameOf(path);
  const size_t stem = sizeof kRelocationFolderStem - 1;
  if (name.size() != stem + 8 || name.compare(0, stem, kRelocationFolderStem) != 0) return false;
  for (size_t i = stem; i < name.size(); ++i) {
    if (!std::isxdigit(static_cast<unsigned char>(name[i]))) return false;
  }
  return true;
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
