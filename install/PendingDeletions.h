// The system's list of file operations left for the next restart: pairs of
// strings, a path ("\??\C:\...") and its new name, where an empty new name
// means deletion. Reinstalling into a folder that an uninstallation left to
// that list must take the folder back from it, and nothing else.
#pragma once

#include <string>
#include <vector>

// `operations` without the deletions of `folder` and of everything below it,
// paths compared by `sameText` (which ignores letter case as the file system
// does); renames and other paths keep their place and order. An odd last string (a damaged
// list) stays as it is.
std::vector<std::string> WithoutDeletionsBelow(const std::vector<std::string>& operations,
                                               const std::string& folder,
                                               bool (*sameText)(const std::string& a,
                                                                const std::string& b));

// The paths ("C:\...") that `after` deletes at the next restart and
// `before` did not, leaving out `ignored` and every folder that holds one of
// them (a folder left only because such a file still stands in it).
std::vector<std::string> AddedDeletions(const std::vector<std::string>& before,
                                        const std::vector<std::string>& after,
                                        const std::vector<std::string>& ignored,
                                        bool (*sameText)(const std::string& a,
                                                         const std::string& b));
