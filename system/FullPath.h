// Paths as the system itself reads them. A folder typed on a command line may
// be spelled in many ways that name one folder ("C:/Apps", "C:\Apps\.",
// "C:\APPS~1", "C:\Apps. "); comparisons, guards and records need the one
// spelling the system would also arrive at.
#pragma once

#include <string>

// The full path of `path` (UTF-8): absolute, "." and ".." resolved, one kind
// of separator, doubled separators and trailing blanks and dots gone, the
// short names of the part that exists replaced by the long ones, and no
// trailing separator except after a drive root ("C:\"). A path the system
// cannot make full is returned as given.
std::string FullLongPath(const std::string& path);

// The "/D=" folder of a command line, in its full long form, and why it
// cannot take the product's folder (empty when it can): it must be an
// existing folder on a fixed disk, as a folder chosen with "Обзор..." is.
struct TCommandLineFolder {
  std::string full;
  std::string problem;
};
TCommandLineFolder CheckCommandLineFolder(const std::string& typed);
