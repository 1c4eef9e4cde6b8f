#pragma once
// The component's dialogs as questions on the terminal. Without a terminal
// every question is answered "cancel" or "no", so nothing ever waits.
#include <ostream>

#include "uzUserInterface.h"

namespace zipextract {

class TConsoleUI : public uz::TUnZipUI {
 public:
  explicit TConsoleUI(std::ostream& prompts) : prompts_(prompts) {}
  bool ChooseZipFile(const std::string& title, const std::string& filter,
                     const std::string& initialFolder, std::string& chosen) override;
  bool ChooseFolder(const std::string& initialFolder, std::string& chosen) override;
  bool AskYesNo(const std::string& text, const std::string& caption) override;
  void ShowMessage(const std::string& text, const std::string& caption) override;
  // A question answered by one line; false without a terminal or answer.
  bool AskLine(const std::string& question, std::string& answer);

 private:
  std::ostream& prompts_;
};

}  // namespace zipextract
