#include "InstallPlan.h"

#include <algorithm>

#include "Components.h"
#include "UnZip.h"

namespace {

// The installer's own files in the install folder.
constexpr const char* kOwnFiles[] = {"\\Setup.exe", "\\temp.zip", "\\Map.maptl"};

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The path below the install folder of the member `name`, as extracted for
// its top-level folder; empty when no folder takes it (see ArchiveFolder.h).
std::string PlaceOf(const std::string& name) {
  for (const TArchiveFolderRow& row : kArchiveFolders) {
    const std::string folder = row.folder;
    if (name.size() <= folder.size() + 1 || !IsSeparator(name[folder.size()])) continue;
    if (!std::equal(folder.begin(), folder.end(), name.begin(),
                    [](char a, char b) { return Lower(a) == Lower(b); }))
      continue;
    if (name.find('.', folder.size() + 1) == std::string::npos) return std::string();
    size_t bare = name.size();
    while (bare > 0 && !IsSeparator(name[bare - 1])) --bare;
    return std::string(row.destination) + "\\" + name.substr(bare);
  }
  return std::string();
}

}  // namespace

size_t Utf16Length(const std::string& text) {
  size_t units = 0;
  for (unsigned char c : text) {
    if ((c & 0xC0) != 0x80) ++units;  // a character starts here
    if (c >= 0xF0) ++units;           // beyond the basic plane: a surrogate pair
  }
  return units;
}

size_t LongestPathBelowInstallFolder(const std::string& archivePath) {
  size_t longest = 0;
  for (const char* own : kOwnFiles) longest = std::max(longest, Utf16Length(own));
  uz::TUnZip zip(nullptr);
  zip.SetZipName(archivePath);
  zip.OpenZip();
  for (int i = 0; i < zip.MemberCount(); ++i)
    longest = std::max(longest, Utf16Length(PlaceOf(zip.Member(i).FullName())));
  zip.CloseZip();
  return longest;
}

bool FitsSystemPathLimit(const std::string& directory, size_t longestBelow) {
  return Utf16Length(directory) + kAsideSuffixLength + longestBelow <= kLongestSystemPath;
}
