// The programs that hold files in the install folder, found before anything
// is changed, and the product's own among them asked to close, gently: the
// request of their windows' close boxes, never an end by force.
#pragma once

#include <string>
#include <vector>

#include "FilesInUseRules.h"

class TInstallLog;

// How a run decides what to do about the programs found.
class TFilesInUsePrompt {
 public:
  virtual ~TFilesInUsePrompt() = default;
  // Without anyone to decide, nothing is closed.
  virtual TFilesInUseAnswer FilesInUse(const std::vector<TProgramInUse>&, const std::string&) {
    return TFilesInUseAnswer::kStop;
  }
  // Called while the closed programs are waited for.
  virtual void KeepScreenCurrent() {}
};

// Every process whose program file lies in `folder` (the product's own) and,
// where the system can tell, every other that holds a file in it. This
// process, and the installed uninstaller waiting for it, are never listed.
std::vector<TProgramInUse> FindProgramsInUse(const std::string& folder, TInstallLog& log);

// Until nothing holds `folder` or `prompt` says stop; the product's programs
// are closed when it answers so, and waited for up to 30 seconds. False,
// with what held the folder in `why`, when the prompt stopped it.
bool ClearFilesInUse(const std::string& folder, TFilesInUsePrompt& prompt, TInstallLog& log,
                     std::string* why);
