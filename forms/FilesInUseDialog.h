// The wizard's question about programs that hold the install folder: it
// names them and lets the user close them, try again after closing them
// by hand, or stop (installing) or leave their files to the next restart
// (uninstalling).
#pragma once

#include "FilesInUse.h"

class TFilesInUseDialog : public TFilesInUsePrompt {
 public:
  explicit TFilesInUseDialog(bool uninstalling) : uninstalling_(uninstalling) {}
  TFilesInUseAnswer FilesInUse(const std::vector<TProgramInUse>& programs,
                               const std::string& folder) override;
  void KeepScreenCurrent() override;

 private:
  bool uninstalling_;
};
