// What an installation writes below its install folder, as far as the path
// lengths go: a folder whose installation would pass the system's limit on
// a path is refused before anything is done, not half-way through.
#pragma once

#include <cstddef>
#include <string>

// The longest path the installation writes below the install folder, from
// the separator after the folder on ("\Docs\Help\Help.htm"), in UTF-16 code
// units (the system's measure): the program archive's members that are
// installed, each under its bare name in its folder's destination, and the
// installer's own files. Raises as the archive component does.
size_t LongestPathBelowInstallFolder(const std::string& archivePath);

// Longest path the system takes (MAX_PATH without its terminating NUL).
inline constexpr size_t kLongestSystemPath = 259;

// The suffix an earlier installation's folder gets while it is set aside
// (".~" and eight hex digits): its files' paths grow by it.
inline constexpr size_t kAsideSuffixLength = 10;

// True when an installation into `directory` (UTF-8) with the longest path
// below it `longestBelow` stays within the system's limit, also for the
// earlier installation set aside beside it.
bool FitsSystemPathLimit(const std::string& directory, size_t longestBelow);

// Length of UTF-8 `text` in UTF-16 code units.
size_t Utf16Length(const std::string& text);
