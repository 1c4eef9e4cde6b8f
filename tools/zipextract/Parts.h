#pragma once
// Parts of a split archive: NAME.z01, NAME.z02, ..., the last part NAME.zip.
#include <string>

#include "ConsoleUI.h"
#include "UnZip.h"

namespace zipextract {

// File of disk (1-based) of the set whose last part is archive and whose
// end record names lastPart (0-based) as the last.
std::string PartFileName(const std::string& archive, int disk, int lastPart);

// The next-disk handler: the part beside the archive by the usual name, or,
// when that file is missing, a name typed on the terminal. Answers empty
// (which cancels) when neither gives a file.
class TPartFinder {
 public:
  TPartFinder(std::string archive, uz::TUnZip& unzip, TConsoleUI& ui)
      : archive_(std::move(archive)), unzip_(unzip), ui_(ui) {}
  void operator()(int disk, std::string& fileName);

 private:
  std::string archive_;
  uz::TUnZip& unzip_;
  TConsoleUI& ui_;
  // The component asks again, handing back our answer, when the file did
  // not fit; the same automatic answer twice would never end.
  int lastDisk_ = -1;
  std::string lastAnswer_;
};

}  // namespace zipextract
