#include "FullPath.h"

#include <windows.h>

#include "FolderBrowser.h"
#include "InstallDirectory.h"
#include "UnattendedOptions.h"
#include "Utf.h"

namespace {

// Calls `query` (buffer, size) -> length with a buffer that grows until the
// answer fits; empty when the query fails.
template <typename Query>
std::wstring Grown(Query query) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = query(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::wstring();
    if (length < buffer.size()) return buffer.substr(0, length);
    buffer.resize(length + 1);
  }
}

// The long names ask the file system, so only the part of the path that
// exists has them: the rest (a folder about to be created) is kept as it is.
std::wstring LongForm(const std::wstring& full) {
  const std::wstring found = Grown(
      [&](wchar_t* buffer, DWORD size) { return GetLongPathNameW(full.c_str(), buffer, size); });
  if (!found.empty()) return found;
  const size_t cut = full.find_last_of(L'\\');
  if (cut == std::wstring::npos || cut < 3 || cut + 1 == full.size()) return full;
  return LongForm(full.substr(0, cut)) + full.substr(cut);
}

}  // namespace

std::string FullLongPath(const std::string& path) {
  const std::wstring given = toolkit::Widen(path);
  std::wstring full = Grown([&](wchar_t* buffer, DWORD size) {
    return GetFullPathNameW(given.c_str(), size, buffer, nullptr);
  });
  if (full.empty()) return path;
  // "C:\" stays a root; "C:" alone would name the drive's current folder.
  while (full.size() > 3 && full.back() == L'\\') full.pop_back();
  return toolkit::Narrow(LongForm(full));
}

TCommandLineFolder CheckCommandLineFolder(const std::string& typed) {
  TCommandLineFolder folder{FullLongPath(typed), std::string()};
  const std::string named = "/D=" + typed + (folder.full == typed ? "" : " (" + folder.full + ")");
  // A device name ("C:\Apps\CON") is made full as a device, not a folder.
  if (!IsAbsoluteDrivePath(folder.full) || !FolderExists(folder.full)) {
    folder.problem = named + ": no such folder";
  } else if (ChosenInstallDirectory(folder.full, DriveTypeOf).empty()) {
    folder.problem = named + ": not a fixed disk";
  }
  return folder;
}
