// The installation's steps, apart from any window: the folder tree, the
// program copy, the archive folders, the map image, the registry records and
// the links, and on failure the roll-back of what this run wrote. The wizard
// runs it with its progress window and backdrop; an unattended installation
// runs it with nothing on the screen.
#pragma once

#include <string>

#include "ComponentChoice.h"
#include "FilesInUse.h"
#include "RetryPrompt.h"

namespace uz {
class TUnZipUI;
}
class TInstallLog;

// What to install, from where.
struct TInstallChoice {
  std::string directory;  // D: absolute, no trailing separator
  std::string source;     // S: the medium's folder, with its trailing separator
  std::string program;    // the running program file, copied into D
  TChoice components;     // the optional ones chosen
};

// What the steps show and ask on their way. The retry questions of the file
// operations are part of it, and what to do about programs that hold the
// install folder.
class TInstallView : public TRetryPrompt, public TFilesInUsePrompt {
 public:
  virtual void SetActionText(const std::string& text) = 0;
  // Moves the bar on by `count` steps: megabytes copied, or the steps of
  // the folders, the records and the links (see Components.h).
  virtual void AdvanceProgress(int count) = 0;
  // 1 and 2 while the map image is copied, 0 when it is over.
  virtual void ShowBillboard(int number) = 0;
  // A failed copy block's message; the installation fails after it.
  virtual void ShowCopyError(const std::string& text) = 0;
  // Answers the archive component's questions and keeps the screen current
  // while it unpacks.
  virtual uz::TUnZipUI& ArchiveUI() = 0;
};

// Runs every step and, whatever fails, the closing steps (roll-back, the
// temporary archive, the billboards). True when every step completed.
bool RunInstallationSequence(const TInstallChoice& choice, TInstallView& view, TInstallLog& log);
