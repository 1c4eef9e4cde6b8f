// The install directory the wizard offers: the product's folder below the
// system's program-files folder, or below a folder the user picks.
#pragma once

#include <functional>
#include <string>

// From the registry's program-files folder (empty when it could not be read:
// the root of drive C stands in).
std::string InstallDirectoryFromProgramFiles(const std::string& programFilesDir);

// From a folder chosen in the folder browser ("D:\" gives
// "D:\Карта Тальмирской области 2.0").
std::string InstallDirectoryBelow(const std::string& folder);

// The drive part ("D:") of a directory, to ask the system for its type; empty
// when it does not start with a drive letter and colon (a network path
// "\\server\share\...", a relative one).
std::string DrivePartOf(const std::string& directory);

// The system's type of a drive given as "D:" (3 for a fixed disk).
using DriveTypeQuery = std::function<unsigned(const std::string& drive)>;
constexpr unsigned kFixedDisk = 3;

// The install directory a folder chosen in the folder browser gives, or empty
// when the folder is not on a fixed disk: the product must not land on
// removable or network media, which may be gone when it runs.
std::string ChosenInstallDirectory(const std::string& folder, const DriveTypeQuery& driveType);

// The wizard's message for a chosen folder that other users may change (one
// of the install directory's parents, `folder`): they could put a program of
// their own where the installed one is.
std::string ChangeableFolderMessage(const std::string& folder);
