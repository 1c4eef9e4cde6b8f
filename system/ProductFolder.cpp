#include "ProductFolder.h"

#include <windows.h>

#include <cctype>

#include "FullPath.h"
#include "InstallDirectory.h"
#include "Product.h"
#include "RegisterInWindows.h"
#include "Utf.h"

namespace {

// "X:\" or "\\server\share\": the start of an absolute path.
bool IsAbsoluteRoot(const std::string& prefix) {
  if (prefix.size() == 3 && std::isalpha(static_cast<unsigned char>(prefix[0])) &&
      prefix[1] == ':' && prefix[2] == '\\') {
    return true;
  }
  if (prefix.size() < 2 || prefix.compare(0, 2, "\\\\") != 0) return false;
  const size_t serverEnd = prefix.find('\\', 2);
  if (serverEnd == std::string::npos || serverEnd == 2) return false;
  const size_t shareEnd = prefix.find('\\', serverEnd + 1);
  return shareEnd == prefix.size() - 1 && shareEnd > serverEnd + 1;
}

}  // namespace

bool IsProductFolder(const std::string& path) {
  const std::string tail = std::string("\\") + kProductName;
  if (path.size() <= tail.size() || path.compare(path.size() - tail.size(), tail.size(), tail) != 0)
    return false;
  const std::string head = path.substr(0, path.size() - tail.size() + 1);
  bool absolute = false;
  for (size_t end = head.find('\\'); end != std::string::npos && !absolute;
       end = head.find('\\', end + 1)) {
    absolute = IsAbsoluteRoot(head.substr(0, end + 1));
  }
  // Letter case aside: the file system ignores it, and a user may have
  // renamed a folder on the way in another case.
  return absolute && CompareStringOrdinal(toolkit::Widen(FullLongPath(path)).c_str(), -1,
                                          toolkit::Widen(path).c_str(), -1, TRUE) == CSTR_EQUAL;
}

std::string ProposedDirectory() {
  std::string programFiles;
  try {
    programFiles = ReadRegistryString(
        HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir");
  } catch (const ERegistryError&) {
  }
  return InstallDirectoryFromProgramFiles(programFiles);
}
