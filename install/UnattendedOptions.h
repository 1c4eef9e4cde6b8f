// The switches of an unattended run: "/S" (no window at all), "/D=folder"
// (where the product's folder is made), "/COMPONENTS=list" (the optional
// components) and "/LOG=file". Without them a run is the interactive one.
#pragma once

#include <string>

// The exit codes of every run, for the scripts that start it.
enum TExitCode : int {
  kExitDone = 0,            // installed or uninstalled
  kExitCancelled = 1,       // the user stopped it
  kExitFailed = 2,          // it failed (and was rolled back)
  kExitBadCommandLine = 3,  // an option could not be understood
};

struct TUnattendedOptions {
  bool silent = false;
  std::string logPath;  // empty: no log named
  bool hasFolder = false;
  std::string folder;  // the "/D=" folder as given
  // From "/COMPONENTS=", else both (the full setup type).
  bool database = true;
  bool mapImage = true;
  // Why the command line is bad; empty when it is good.
  std::string error;
};

// Reads the switches from the whole command line (program path first).
// "/S" is a whole parameter in any letter case. "/D=" is the last parameter
// and takes the rest of the line, blanks included; quoted ("/D=C:\a b") it
// is one parameter like any other. "/COMPONENTS=" takes help, database and
// image, separated by commas, in any case. Other parameters are not ours;
// in a silent run one that starts with "/" is an error.
TUnattendedOptions ParseUnattendedOptions(const std::string& commandLine);

// True for "X:\" and "X:\..." : the only folders an installation may name.
bool IsAbsoluteDrivePath(const std::string& folder);
