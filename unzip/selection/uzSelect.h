#pragma once
// Which members of the catalogue an extraction takes, by the patterns of
// FilesList (one per line) and the DoAll and RecreateDirs switches.
#include <string>
#include <vector>

namespace uz {

// The text one FilesList line is matched against: a line naming a folder
// (one that contains "\") sees the member's directory part followed by its
// file-name part, any other line the file-name part alone, so that "*.txt"
// selects from every folder and "Help\*.*" only below "Help\".
std::string SelectionSubject(const std::string& directoryPart, const std::string& fileNamePart,
                             const std::string& patternLine);

// True when the member is to be extracted: DoAll, or the first FilesList line
// that matches it (IsMatch: whole subject, ASCII letters in any case).
// A directory entry (empty file-name part) is never selected while
// RecreateDirs is off, whatever DoAll says; with RecreateDirs on its subject
// for a line without "\" is empty, so "*" takes it and "*.*" does not.
// The extraction counts exactly the members selected here and adds their
// uncompressed sizes to the run's total; an unselected member, directory
// entries included, takes no part in the count.
bool IsSelected(const std::string& directoryPart, const std::string& fileNamePart,
                const std::vector<std::string>& filesList, bool doAll, bool recreateDirs);

}  // namespace uz
