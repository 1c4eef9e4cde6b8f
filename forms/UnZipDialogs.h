// The archive component's few questions and messages, shown with the
// program's own dialogs; and its message processing during long unpacking,
// which keeps the program's windows painted.
#pragma once

#include "uzUserInterface.h"

class TUnZipDialogs : public uz::TUnZipUI {
 public:
  void ProcessMessages() override;
  bool ChooseZipFile(const std::string& title, const std::string& filter,
                     const std::string& initialFolder, std::string& chosen) override;
  bool ChooseFolder(const std::string& initialFolder, std::string& chosen) override;
  bool AskYesNo(const std::string& text, const std::string& caption) override;
  void ShowMessage(const std::string& text, const std::string& caption) override;
  void SetBusyCursor(bool) override;
};
