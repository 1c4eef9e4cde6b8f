// Unpacks one top-level folder of the program archive into a destination
// folder: every member stored below "<folder>\" (at any depth, any ASCII
// letter case) whose path after that prefix holds a ".", written straight
// into the destination under its bare name, replacing what is there. Two
// members with one name end as one file, the later in the archive's order.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace uz {
class TUnZipUI;
}

// A fresh archive component reads the catalogue of archivePath every time.
// Errors of the component propagate (uz::Exception and its kin). A selected
// member that is not extracted (damaged, of an unknown method, encrypted:
// no password is given) raises uz::EFatalUnzipError naming it, after the
// other members have been extracted; a folder the archive lacks extracts
// nothing and is no error. ui answers the component's dialogs and processes
// pending messages; it may be null. onFile, when given, learns the path of
// every file written.
void ExtractArchiveFolder(const std::string& archivePath, const std::string& folder,
                          const std::string& destination, uz::TUnZipUI* ui,
                          const std::function<void(const std::string&)>& onFile = {});

// Decodes and checks, writing nothing, every member that ExtractArchiveFolder
// would extract for each of `folders`, in one pass over the archive. Raises as
// ExtractArchiveFolder does for a member that would not be extracted.
void TestArchiveFolders(const std::string& archivePath, const std::vector<std::string>& folders,
                        uz::TUnZipUI* ui);
