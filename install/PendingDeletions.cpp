#include "PendingDeletions.h"

namespace {

// "\??\C:\a\\b" → "C:\a\b": the system's prefix off, doubled separators
// (which some writers of the list leave) folded.
std::string PlainPath(const std::string& entry) {
  std::string path = entry.rfind("\\??\\", 0) == 0 ? entry.substr(4) : entry;
  std::string folded;
  for (char c : path) {
    if (c == '\\' && !folded.empty() && folded.back() == '\\') continue;
    folded += c;
  }
  while (!folded.empty() && folded.back() == '\\') folded.pop_back();
  return folded;
}

bool IsSameOrBelow(const std::string& path, const std::string& folder,
                   bool (*sameText)(const std::string&, const std::string&)) {
  if (folder.empty() || path.size() < folder.size()) return false;
  if (path.size() > folder.size() && path[folder.size()] != '\\') return false;
  return sameText(path.substr(0, folder.size()), folder);
}

}  // namespace

std::vector<std::string> WithoutDeletionsBelow(const std::vector<std::string>& operations,
                                               const std::string& folder,
                                               bool (*sameText)(const std::string& a,
                                                                const std::string& b)) {
  const std::string plainFolder = PlainPath(folder);
  std::vector<std::string> kept;
  size_t i = 0;
  for (; i + 1 < operations.size(); i += 2) {
    const bool deletion = operations[i + 1].empty();
    if (deletion && IsSameOrBelow(PlainPath(operations[i]), plainFolder, sameText)) continue;
    kept.push_back(operations[i]);
    kept.push_back(operations[i + 1]);
  }
  if (i < operations.size()) kept.push_back(operations[i]);
  return kept;
}

namespace {

std::vector<std::string> DeletedPaths(const std::vector<std::string>& operations) {
  std::vector<std::string> paths;
  for (size_t i = 0; i + 1 < operations.size(); i += 2)
    if (operations[i + 1].empty()) paths.push_back(PlainPath(operations[i]));
  return paths;
}

}  // namespace

std::vector<std::string> AddedDeletions(const std::vector<std::string>& before,
                                        const std::vector<std::string>& after,
                                        const std::vector<std::string>& ignored,
                                        bool (*sameText)(const std::string& a,
                                                         const std::string& b)) {
  const std::vector<std::string> earlier = DeletedPaths(before);
  std::vector<std::string> added;
  for (const std::string& path : DeletedPaths(after)) {
    bool known = false;
    for (const std::string& e : earlier) known = known || sameText(e, path);
    for (const std::string& i : ignored)
      known = known || IsSameOrBelow(PlainPath(i), path, sameText);
    bool listed = false;
    for (const std::string& a : added) listed = listed || sameText(a, path);
    if (!known && !listed) added.push_back(path);
  }
  return added;
}
