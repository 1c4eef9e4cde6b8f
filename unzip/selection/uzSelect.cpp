#include "selection/uzSelect.h"

#include "selection/uzMatch.h"

namespace uz {

std::string SelectionSubject(const std::string& directoryPart, const std::string& fileNamePart,
                             const std::string& patternLine) {
  if (patternLine.find('\\') == std::string::npos) return fileNamePart;
  return directoryPart + fileNamePart;
}

bool IsSelected(const std::string& directoryPart, const std::string& fileNamePart,
                const std::vector<std::string>& filesList, bool doAll, bool recreateDirs) {
  // A folder entry; a member without any name is none, and is taken (to fail).
  if (fileNamePart.empty() && !directoryPart.empty() && !recreateDirs) return false;
  if (doAll) return true;
  for (const std::string& line : filesList) {
    if (IsMatch(line, SelectionSubject(directoryPart, fileNamePart, line))) return true;
  }
  return false;
}

}  // namespace uz
