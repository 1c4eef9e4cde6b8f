// How this run of the program behaves, decided once at start from the program
// file's path and the command line, before any window exists: install mode,
// uninstall mode, or the uninstaller's self-relocation.
#pragma once

#include <cstdint>
#include <string>

#include "UnattendedOptions.h"

struct TRunMode {
  // Folder of the running program file, always with its trailing separator
  // (X:\ at a drive root): the distribution file name is appended to it as is.
  std::string SourceFolder;
  // The command line holds the uninstall switch.
  bool UninstallMode = false;
  // Uninstall mode under the name Setup.exe: the program must copy itself to
  // the temporary folder, start the copy and end.
  bool SelfRelocation = false;
  // The switches of an unattended run (and their errors).
  TUnattendedOptions Options;
};

// The name under which the uninstaller is copied to the temporary folder.
inline constexpr char kRelocatedFileName[] = "Duv20Izeviruvu.exe";

TRunMode DetectRunMode(const std::string& modulePath, const std::string& commandLine);

// The folder part of a full file path, with its trailing separator. Both "\"
// and "/" separate (the system accepts either).
std::string SourceFolderOf(const std::string& modulePath);

// The file name of a path, without its folder.
std::string FileNameOf(const std::string& path);

// True when the program file is named Setup.exe, in any letter case: the
// installed uninstaller runs under that name from the folder it must delete.
bool IsRelocatingName(const std::string& modulePath);

// Where the relocated copy goes, in the folder made for it (see
// RelocationFolderIn).
std::string RelocatedCopyPath(const std::string& tempFolder);

// A folder of the copy's own in the temporary folder the system reports:
// "Duv20Izeviruvu.~" and `tag` as eight hex digits.
std::string RelocationFolderIn(const std::string& tempFolder, uint32_t tag);

// True for a folder path whose last part RelocationFolderIn makes.
bool IsRelocationFolder(const std::string& folder);

// The command line that starts the relocated copy in uninstall mode, with
// `switches` (already quoted as needed) after "/u".
std::string RelocatedCopyCommandLine(const std::string& tempFolder,
                                     const std::string& switches = std::string());

// The switches the relocated copy takes over from this run: "/S" or
// "/PASSIVE", the log (whose path the caller has made absolute: the copy
// works elsewhere) and "/NOCLOSEAPPLICATIONS".
std::string RelocatedSwitches(const TUnattendedOptions& options, const std::string& logPath);

// Names, in the relocated copy's environment, the handle of the pipe through
// which the instance that started it waits for its result. A copy started
// otherwise (by hand, by a script that reads its standard output) has no
// such variable and reports to nobody.
inline constexpr char kResultPipeVariable[] = "TALMIR_SETUP_RESULT_PIPE";

// The result of a silent uninstall for the instance that relocated itself:
// what the copy reported, when it is one of the exit codes. A copy that ends
// without a report (it crashed, or was ended from outside with whatever
// status) has not said why: a failed uninstallation, whose reason the
// relocating instance logs itself.
int CopyResult(bool reported, int32_t reportedCode);
