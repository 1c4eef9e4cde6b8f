// Installation and uninstallation without any window but, with "/PASSIVE",
// the progress window, for scripts and deployment tools: every question gets
// the answer that stops without damage, and the result is the process's exit
// code (TExitCode).
#pragma once

#include <string>

class TInstallLog;
struct TRunMode;
struct TUnattendedOptions;

// The installation into `folder`, the "/D=" folder in its full long form
// (empty: the one the wizard would propose) with the "/COMPONENTS=" choice
// (or the full setup type).
int RunUnattendedInstallation(const TRunMode& mode, const std::string& folder,
                              const std::string& programPath, TInstallLog& log);

// The uninstall steps, as the wizard's uninstall button runs them.
int RunUnattendedUninstall(const TUnattendedOptions& options, TInstallLog& log);

// Ends a silent run over an interrupted installation that could not be
// undone, saying `why` as the log's last line; the result is the exit code.
// The relocated uninstaller may be kept from the undo by the installed
// Setup.exe that started it and waits for it: that one gets the result, and
// once it has ended the undo is finished (the uninstall is left to the next
// run, whose result its caller learns).
int StopOverUnfinishedUndo(const std::string& why, TInstallLog& log);

// The log of a silent run without "/LOG=": "<product> Setup.log" in the user's
// temporary folder.
std::string DefaultLogPath();
