// What an uninstall cannot delete now (a file in use, the running program
// itself) is left to the system, which deletes it when it next starts.
#pragma once

#include <string>
#include <vector>

// Deletes what stands at `path` (UTF-8; a file, or a folder with everything
// in it) now where it can, and schedules every file and folder it cannot
// delete for deletion at the next restart: files before the folders holding
// them. Each entry, `path` itself included, is looked at through a handle
// that does not follow a link, and only a plain folder is entered: links
// (junctions, symbolic links) are removed as links, never followed. Silent; scheduling needs
// administrator rights, without them what remains simply stays. True when nothing is left that is
// neither deleted nor scheduled (also when nothing stood at `path`).
bool DeleteNowOrAtRestart(const std::string& path);

// True when a folder stands at `path` that is not a link (a junction, a
// symbolic link, any reparse point), as a handle that does not follow a
// link sees it.
bool IsPlainFolderAt(const std::string& path);

// True when a link (any reparse point) stands at `path` itself.
bool IsLinkAt(const std::string& path);

// The same without the scheduling: deletes what it can now; true when
// nothing is left at `path`.
bool DeleteNow(const std::string& path);

// Takes `path` (a folder, UTF-8) and everything below it off the list of
// deletions at the next restart; every other entry of the list stays as it
// is. Silent, like the scheduling.
void CancelDeletionsAtRestart(const std::string& path);

// The system's list of operations at the next restart as it stands now
// (pairs of strings: see PendingDeletions.h); empty when there is none.
std::vector<std::string> OperationsAtRestart();

// What this run has left to the next restart since `before` was taken, as a
// user would want it named, leaving out `ignored` (and the folders holding
// it): files in use, and the folders holding them.
std::vector<std::string> LeftToRestartSince(const std::vector<std::string>& before,
                                            const std::vector<std::string>& ignored);
