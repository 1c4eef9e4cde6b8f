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
  const bool letter = !directory.empty() && ((directory[0] >= 'A' && directory[0] <= 'Z') ||
                                             (directory[0] >= 'a' && directory[0] <= 'z'));
  if (letter && directory.size() >= 2 && directory[1] == ':') return directory.substr(0, 2);
  return std::string();
}

std::string ChosenInstallDirectory(const std::string& folder, const DriveTypeQuery& driveType) {
  const std::string directory = InstallDirectoryBelow(folder);
  // Asked with no drive, the system would answer for the current folder's.
  const std::string drive = DrivePartOf(directory);
  if (drive.empty() || driveType(drive) != kFixedDisk) return std::string();
  return directory;
}

std::string ChangeableFolderMessage(const std::string& folder) {
  return "Папка " + folder +
         " доступна для изменения другим пользователям.\rВыберите другую папку.";
}
