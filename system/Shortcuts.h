// Shell links and the program group of the current user, and the silent tree
// deletion they use. Paths are UTF-8. The special folders come from
// SpecialFolders.h; where one is not recorded, the operations on it do
// nothing.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

// The shell's link object could not be created or lacks an interface we use.
class EShellLinkError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Creates the folder `group` in the user's Start-menu programs folder (an
// existing one is fine, a failure is ignored) and returns its path; empty,
// creating nothing, when the programs folder is not recorded.
std::string CreateProgramGroup(const std::string& group);

// Saves the link `linkName`.lnk to `target` in the program group `group`,
// creating the group first if it is missing.
void CreateGroupLink(const std::string& group, const std::string& target,
                     const std::string& linkName);

// Saves the link `linkName`.lnk to `target` on the user's desktop.
void CreateDesktopLink(const std::string& target, const std::string& linkName);

// Deletes the links `linkNames` (without their ".lnk") of the program group
// `group`, then the group's folder if nothing else is left in it. Silent.
void DeleteProgramGroup(const std::string& group, const std::vector<std::string>& linkNames);

// Deletes the file `linkFileName` (with its ".lnk") from the user's desktop.
// Silent.
void DeleteDesktopLink(const std::string& linkFileName);

// Writes the shell-link file `linkPath` pointing at `target`, with empty
// arguments and description, replacing an existing file. Needs the thread's
// COM apartment. Raises EShellLinkError when the link object cannot be made;
// a failed save (missing folder, no access) is silent.
void CreateShellLink(const std::string& target, const std::string& linkPath);
