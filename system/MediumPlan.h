// The path lengths of an installation from the medium in a source folder.
#pragma once

#include <string>

// Why an installation into `directory` from the medium in `sourceFolder`
// would pass the system's limit on a path; empty when it would not, or when
// the medium cannot be read (the installation then says why itself).
std::string PathTooLongFor(const std::string& directory, const std::string& sourceFolder);
