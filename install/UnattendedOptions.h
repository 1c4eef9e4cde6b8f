// The switches of an unattended run: "/S" (no window at all) or "/PASSIVE"
// (the progress window alone), "/D=folder" (where the product's folder is
// made), "/COMPONENTS=list" (the optional components), "/LOG=file" and
// "/NOCLOSEAPPLICATIONS" (leave the product's programs open).
// Without "/S" or "/PASSIVE" a run is the interactive one.
#pragma once

#include <string>

#include "ComponentChoice.h"

// The exit codes of every run, for the scripts that start it.
enum TExitCode : int {
  kExitDone = 0,            // installed or uninstalled
  kExitCancelled = 1,       // the user stopped it
  kExitFailed = 2,          // it failed (and was rolled back)
  kExitBadCommandLine = 3,  // an option could not be understood
  // The codes deployment tools act on without being told: another run held
  // the setup lock (try again later), and a run that completed but left
  // something to the system's next restart (restart to finish it).
  kExitAnotherRun = 1618,
  kExitRestartNeeded = 3010,
};

struct TUnattendedOptions {
  // No question and no message box: with "/S" and with "/PASSIVE".
  bool silent = false;
  // "/PASSIVE": the progress window shows, and nothing else.
  bool passive = false;
  // A silent run closes the product's programs that hold the install folder,
  // unless "/NOCLOSEAPPLICATIONS" says to leave them open.
  bool closeApplications = true;
  std::string logPath;  // empty: no log named
  bool hasFolder = false;
  std::string folder;  // the "/D=" folder as given
  // From "/COMPONENTS=", else every one (the full setup type).
  TChoice components = TChoice::All();
  // Why the command line is bad; empty when it is good.
  std::string error;
};

// Reads the switches from the whole command line (program path first).
// "/S" and "/PASSIVE" are whole parameters in any letter case. "/D=" is the
// last parameter and takes the rest of the line exactly, blanks included,
// its trailing blanks aside; quoted ("/D=C:\a b") it is one parameter like
// any other. "/COMPONENTS=" takes the component table's keywords (help,
// database, image), separated by commas, in any case; empty, it chooses none
// of the optional ones. A switch
// given twice is an error; so is, in a silent run, any other parameter.
TUnattendedOptions ParseUnattendedOptions(const std::string& commandLine);

// True for "X:\" and "X:\..." : the only folders an installation may name.
bool IsAbsoluteDrivePath(const std::string& folder);
