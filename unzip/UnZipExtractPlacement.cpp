// Which members a run takes, and where their files go.
//
// Output paths are built with the platform's own separator (the catalogue
// holds "\"), so that the names the events report can be used as they are.
#include "UnZipExtraction.h"
#include "uzMatch.h"

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

std::string WithSeparator(const std::string& folder) {
  return !folder.empty() && IsSeparator(folder.back()) ? folder : folder + kSeparator;
}

// The folder components of a stored directory part, without the ones that
// would climb out of the destination: ".." and "." go, and so do a drive
// ("C:") and the emptiness of leading or doubled separators, which graft
// onto the destination as the stored path's own root would.
std::string ContainedPath(const std::string& directory) {
  std::string out, part;
  auto flush = [&]() {
    const bool drive = part.size() == 2 && part[1] == ':' && out.empty();
    if (!part.empty() && part != "." && part != ".." && !drive) out += part + kSeparator;
    part.clear();
  };
  for (char c : directory) {
    if (IsSeparator(c))
      flush();
    else
      part += c == ':' ? '_' : c;
  }
  flush();
  return out;
}

}  // namespace

std::string TExtraction::AbsoluteDestDir(const std::string& currentFolder) const {
  const std::string& dest = zip_.DestDir();
  if (dest.empty()) return WithPlatformSeparators(currentFolder);
  if (IsAbsolutePath(dest)) return WithPlatformSeparators(dest);
  return WithPlatformSeparators(WithSeparator(currentFolder) + dest);
}

bool TExtraction::Selects(const TZipHeaderInfo& member) const {
  if (member.IsDirectory() && !zip_.RecreateDirs()) return false;
  if (zip_.DoAll()) return true;
  for (const std::string& pattern : zip_.FilesList()) {
    const bool withFolder = pattern.find('\\') != std::string::npos;
    if (IsMatch(pattern, withFolder ? member.FullName() : member.FileName())) return true;
  }
  return false;
}

std::string TExtraction::OutputFolder(const TZipHeaderInfo& member) const {
  std::string directory = member.Directory();
  if (!zip_.RecreateDirs() || directory.empty()) return WithSeparator(destDir_);
  const std::string& root = zip_.RootDir();
  if (!root.empty() && LowerAscii(directory.substr(0, root.size())) == LowerAscii(root))
    directory.erase(0, root.size());
  const std::string folder = WithSeparator(destDir_) + ContainedPath(directory);
  if (!FolderExists(folder)) CreateFolderPath(folder);
  return folder;
}

}  // namespace uz
