// The install directory the wizard offers: the product's folder below the
// system's program-files folder, or below a folder the user picks.
#pragma once

#include <string>

// From the registry's program-files folder (empty when it could not be read:
// the root of drive C stands in).
std::string InstallDirectoryFromProgramFiles(const std::string& programFilesDir);

// From a folder chosen in the folder browser ("D:\" gives
// "D:\Карта Тальмирской области 2.0").
std::string InstallDirectoryBelow(const std::string& folder);

// The drive part ("D:") of a directory, to ask the system for its type.
std::string DrivePartOf(const std::string& directory);
