#include "InstallDirectory.h"

#include "Product.h"

std::string InstallDirectoryBelow(const std::string& folder) {
  std::string directory = folder;
  if (!directory.empty() && directory.back() == '\\') directory.pop_back();
  return directory + "\\" + kProductName;
}

std::string InstallDirectoryFromProgramFiles(const std::string& programFilesDir) {
  return InstallDirectoryBelow(programFilesDir.empty() ? "C:\\" : programFilesDir);
}

std::string DrivePartOf(const std::string& directory) {
  if (directory.size() >= 2 && directory[1] == ':') return directory.substr(0, 2);
  return directory.substr(0, directory.find('\\'));
}
