#include "MediumPlan.h"

#include <exception>

#include "FilesAndFolders.h"
#include "InstallPlan.h"
#include "MapContainer.h"
#include "Product.h"

std::string PathTooLongFor(const std::string& directory, const std::string& sourceFolder) {
  size_t longest = 0;
  try {
    // The archive in a copy of its own: behind the map image its offsets
    // would miss (see the installation's check of the medium).
    TTemporaryFile archive;
    CopyProgramArchive(sourceFolder + kMapContainerName, archive.Path());
    longest = LongestPathBelowInstallFolder(archive.Path());
  } catch (const std::exception&) {
    return std::string();
  }
  if (FitsSystemPathLimit(directory, longest)) return std::string();
  return "the install folder " + directory + " is too long: with the longest path below it (" +
         std::to_string(longest) + " characters) and room to set an earlier installation aside, " +
         "the installation would pass the system's limit of " + std::to_string(kLongestSystemPath) +
         " characters";
}
