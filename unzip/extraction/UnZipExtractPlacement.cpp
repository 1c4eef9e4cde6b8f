// Which members a run takes, and where their files go (the selection and
// placement rules themselves live in uzSelect and uzPlacement).
//
// Output paths are handed out with the platform's own separator (the
// catalogue and the placement rules use "\"), so that the names the events
// report can be used as they are.
#include "extraction/UnZipExtraction.h"
#include "selection/uzPlacement.h"
#include "selection/uzSelect.h"

namespace uz {

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string WithPlatformSeparators(std::string path) {
  for (char& c : path)
    if (IsSeparator(c)) c = kSeparator;
  return path;
}

bool IsAbsolutePath(const std::string& path) {
  return (!path.empty() && IsSeparator(path[0])) || (path.size() >= 2 && path[1] == ':');
}

}  // namespace

std::string TExtraction::AbsoluteDestDir(const std::string& currentFolder) const {
  const std::string& dest = zip_.DestDir();
  if (dest.empty()) return WithPlatformSeparators(currentFolder);
  if (IsAbsolutePath(dest)) return WithPlatformSeparators(dest);
  const bool separated = !currentFolder.empty() && IsSeparator(currentFolder.back());
  return WithPlatformSeparators(currentFolder + (separated ? "" : "\\") + dest);
}

bool TExtraction::Selects(const TZipHeaderInfo& member) const {
  return IsSelected(member.Directory(), member.FileName(), zip_.FilesList(), zip_.DoAll(),
                    zip_.RecreateDirs());
}

std::string TExtraction::MemberFolder(const TZipHeaderInfo& member) {
  // A handler may change RootDir or RecreateDirs between members: the next
  // member is placed by what they say then.
  const bool recreate = zip_.RecreateDirs();
  if (!placed_.known || member.Directory() != placed_.stored || recreate != placed_.recreate ||
      zip_.RootDir() != placed_.rootDir) {
    placed_.stored = member.Directory();
    placed_.recreate = recreate;
    placed_.rootDir = zip_.RootDir();
    placed_.folder = OutputFolder(member.Directory(), recreate, placed_.rootDir, destDir_);
    placed_.native = WithPlatformSeparators(placed_.folder);
    placed_.known = true;
  }
  // A folder that could not be made is asked for again by its next member.
  // A folder entry stands for its folder alone: a handler may have removed
  // it since it was made, so it is checked on the file system (once per
  // entry) rather than taken from the run's record.
  const std::string& folder = placed_.folder;
  if (recreate && member.IsDirectory() && ensuredFolders_.count(folder) != 0 &&
      !FolderExists(folder))
    ensuredFolders_.clear();
  if (recreate && ensuredFolders_.count(folder) == 0 && CreateOutputFolder(folder))
    RememberFolder(folder);
  return placed_.native;
}

// Every level below the destination exists once its deepest one does.
void TExtraction::RememberFolder(const std::string& folder) {
  for (size_t at = folder.find('\\', destDir_.size()); at != std::string::npos;
       at = folder.find('\\', at + 1))
    ensuredFolders_.insert(folder.substr(0, at + 1));
}

std::string TExtraction::MemberFileName(const TZipHeaderInfo& member) {
  return SafeFileName(member.FileName());
}

}  // namespace uz
