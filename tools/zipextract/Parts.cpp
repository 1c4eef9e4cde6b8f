#include "Parts.h"

#include <cstdio>

#include "streams/UzLib.h"

namespace zipextract {

std::string PartFileName(const std::string& archive, int disk, int lastPart) {
  if (disk - 1 == lastPart) return archive;
  std::string base = archive;
  char z = 'z';
  const size_t n = archive.size();
  if (n >= 4 && archive[n - 4] == '.' && (archive[n - 3] | 0x20) == 'z' &&
      (archive[n - 2] | 0x20) == 'i' && (archive[n - 1] | 0x20) == 'p') {
    base = archive.substr(0, n - 4);
    z = archive[n - 3];
  }
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, ".%c%02d", z, disk);
  return base + suffix;
}

void TPartFinder::operator()(int disk, std::string& fileName) {
  const bool repeated = disk == lastDisk_ && fileName == lastAnswer_;
  const std::string candidate = PartFileName(archive_, disk, unzip_.EndCentral().ThisPart);
  std::string typed;
  if (!repeated && uz::FileExists(candidate))
    fileName = candidate;
  else if (ui_.AskLine("Part " + std::to_string(disk) + " of " + archive_ + ": ", typed))
    fileName = typed;
  else
    fileName.clear();
  lastDisk_ = disk;
  lastAnswer_ = fileName;
}

}  // namespace zipextract
