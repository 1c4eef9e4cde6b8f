#include "selection/uzPlacement.h"

#include <array>

#include "streams/UzLib.h"
#include "uzExceptions.h"
#include "selection/uzMatch.h"

namespace uz {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// "." and ".." and what Windows would trim down to them or to nothing.
bool IsDotsAndSpaces(const std::string& part) {
  return part.find_first_not_of(". ") == std::string::npos;
}

// Devices Windows opens in place of a file of that name in any folder,
// also with an extension ("nul.txt") and trailing spaces ("CON  ").
bool IsDeviceName(const std::string& part) {
  // Every device name starts with one of these letters: most parts are
  // told apart by their first character.
  switch (part.empty() ? '\0' : part[0] | 0x20) {
    case 'a':
    case 'c':
    case 'l':
    case 'n':
    case 'p':
      break;
    default:
      return false;
  }
  std::string stem = LowerAscii(part.substr(0, part.find('.')));
  const size_t end = stem.find_last_not_of(' ');
  stem.erase(end == std::string::npos ? 0 : end + 1);
  static constexpr std::array<const char*, 6> kPlain = {"con", "prn",    "aux",
                                                        "nul", "conin$", "conout$"};
  for (const char* name : kPlain)
    if (stem == name) return true;
  if (stem.size() < 4 || (stem.compare(0, 3, "com") != 0 && stem.compare(0, 3, "lpt") != 0))
    return false;
  const std::string number = stem.substr(3);
  return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\u00B9" ||
         number == "\u00B2" || number == "\u00B3";
}

// ":" would name a drive or a data stream; control characters are refused
// by Windows and confuse every listing.
std::string ReplaceUnsafeCharacters(std::string part) {
  for (char& c : part)
    if (static_cast<unsigned char>(c) < 0x20 || c == ':' || IsSeparator(c)) c = '_';
  return part;
}

std::string GuardDeviceName(const std::string& part) {
  return IsDeviceName(part) ? "_" + part : part;
}

}  // namespace

std::string NormalizeRootDir(const std::string& value) {
  if (value.empty() || value.back() == '\\') return value;
  return value + "\\";
}

std::string NormalizeDestDir(const std::string& value) {
  if (!value.empty() && value.back() == '\\') return value.substr(0, value.size() - 1);
  return value;
}

std::string ResolveDestDir(const std::string& value, const std::string& current, TUnZipUI* ui) {
  if (value != "?") return NormalizeDestDir(value);
  // An empty DestDir is the current folder (not the drive's root, which
  // "" + "\" would name).
  const bool startInCurrent = !current.empty() && FolderExists(current + "\\");
  const std::string initial = startInCurrent ? current : CurrentDirectory();
  std::string chosen;
  if (ui == nullptr || !ui->ChooseFolder(initial, chosen))
    throw EUserCanceled("User canceled Set Desination Directory");
  return NormalizeDestDir(chosen);
}

std::string ContainedFolder(const std::string& directoryPart) {
  // A drive ("C:\x", "C:x") goes first; any other ":" is cleaned below.
  const size_t start = directoryPart.size() >= 2 && directoryPart[1] == ':' ? 2 : 0;
  std::string folder, part;
  for (size_t i = start; i <= directoryPart.size(); ++i) {
    if (i < directoryPart.size() && !IsSeparator(directoryPart[i])) {
      part += directoryPart[i];
      continue;
    }
    // Dropping "." and ".." (instead of resolving "a\..") keeps every
    // remaining component below the destination, whatever order they came in.
    if (!IsDotsAndSpaces(part)) folder += GuardDeviceName(ReplaceUnsafeCharacters(part)) + "\\";
    part.clear();
  }
  return folder;
}

std::string SafeFileName(const std::string& fileNamePart) {
  std::string name = ReplaceUnsafeCharacters(fileNamePart);
  if (!name.empty() && IsDotsAndSpaces(name)) name.assign(name.size(), '_');
  return GuardDeviceName(name);
}

std::string OutputFolder(const std::string& directoryPart, bool recreateDirs,
                         const std::string& rootDir, const std::string& destDir) {
  const std::string destination = destDir.empty() ? std::string() : destDir + "\\";
  if (!recreateDirs || directoryPart.empty()) return destination;
  std::string directory = directoryPart;
  if (!rootDir.empty() && directory.size() >= rootDir.size() &&
      LowerText(directory.substr(0, rootDir.size())) == LowerText(rootDir))
    directory.erase(0, rootDir.size());
  return destination + ContainedFolder(directory);
}

std::string OutputPath(const std::string& directoryPart, const std::string& fileNamePart,
                       bool recreateDirs, const std::string& rootDir, const std::string& destDir) {
  return OutputFolder(directoryPart, recreateDirs, rootDir, destDir) + SafeFileName(fileNamePart);
}

bool CreateOutputFolder(const std::string& folder) {
  return folder.empty() || CreateFolderPath(folder);
}

}  // namespace uz
