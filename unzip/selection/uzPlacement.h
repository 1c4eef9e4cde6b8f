#pragma once
// Where an extracted member goes: the RootDir and DestDir properties as they
// are stored, and the output folder and file path of a member.
//
// Names use "\" as folder separator throughout (the catalogue has turned
// every "/" of a stored name into "\"). A folder returned here either is
// empty, meaning the current folder, or ends in "\".
//
// The names inside an archive are whatever its maker wrote, so none of them
// is trusted to say where a file lands: whatever a member's stored name
// holds, its file is written inside the destination folder.
//   - ".." and "." folder components are dropped (a name like
//     "..\..\Windows\x.dll" or "a\..\..\b" cannot climb out), as are empty
//     components from doubled separators;
//   - an absolute ("\x\", "\\server\share\") or drive ("C:\x\", "C:x\")
//     directory part is grafted below the destination instead of being
//     taken as it stands;
//   - a component made only of dots and spaces is dropped too, since
//     Windows trims trailing dots and spaces and would turn "... " into ".."
//     or nothing;
//   - ":" (which would name a drive or an alternate data stream) and control
//     characters in a component become "_";
//   - a component that is a Windows device name ("CON", "nul.txt", "COM1")
//     gets a "_" in front, so that writing it cannot open the device.
// The same rules keep a file name from escaping (see SafeFileName).
#include <string>

#include "uzUserInterface.h"

namespace uz {

// RootDir as stored: empty stays empty, anything else ends in "\".
std::string NormalizeRootDir(const std::string& value);

// DestDir as stored: one trailing "\" removed ("C:\Out\" -> "C:\Out",
// "C:\" -> "C:", "\" -> "" which is the current folder).
std::string NormalizeDestDir(const std::string& value);

// The whole DestDir setter: the value to store when `value` is assigned to a
// DestDir that holds `current`. Any value but "?" is stored as given (less one
// trailing "\"). "?" asks the user through ui->ChooseFolder, starting in
// `current` when that folder exists and otherwise in the current directory;
// the folder chosen is stored. Cancelling, or having no ui to ask, raises
// EUserCanceled "User canceled Set Desination Directory"; the caller then
// keeps `current`.
std::string ResolveDestDir(const std::string& value, const std::string& current, TUnZipUI* ui);

// A stored directory part made safe and relative: drive and root removed,
// ".", ".." and empty components dropped, the others cleaned as described
// above. Empty, or ending in "\".
std::string ContainedFolder(const std::string& directoryPart);

// A member's file-name part as the name of the file written. Control
// characters, ":", "\" and "/" become "_"; a name of dots and spaces only
// ("..", ".") has each of them replaced by "_"; a device name gets a "_" in
// front. Empty (a directory entry) stays empty.
std::string SafeFileName(const std::string& fileNamePart);

// The folder a member's file goes into, ending in "\", or empty for the
// current folder.
//   - RecreateDirs off, or no directory part: the destination itself.
//   - RecreateDirs on: the destination, then the directory part without a
//     leading `rootDir` (compared without case, as LowerText folds it),
//     made safe by ContainedFolder.
// The destination is `destDir` + "\"; an empty `destDir` means the current
// folder (the extraction makes DestDir current for its run), so the result
// is then relative, never the root of the drive.
std::string OutputFolder(const std::string& directoryPart, bool recreateDirs,
                         const std::string& rootDir, const std::string& destDir);

// OutputFolder followed by SafeFileName: the path of the file written.
std::string OutputPath(const std::string& directoryPart, const std::string& fileNamePart,
                       bool recreateDirs, const std::string& rootDir, const std::string& destDir);

// Makes sure an output folder exists, with every missing parent; true when it
// does afterwards. An empty folder is the current one and always exists.
// A folder that cannot be made is reported by the file creation that follows.
bool CreateOutputFolder(const std::string& folder);

}  // namespace uz
