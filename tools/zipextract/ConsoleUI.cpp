#include "ConsoleUI.h"

#include "Terminal.h"

namespace zipextract {

bool TConsoleUI::AskLine(const std::string& question, std::string& answer) {
  if (!StdinIsTerminal()) return false;
  prompts_ << question << std::flush;
  return ReadLine(answer) && !answer.empty();
}

bool TConsoleUI::ChooseZipFile(const std::string& title, const std::string& /*filter*/,
                               const std::string& initialFolder, std::string& chosen) {
  return AskLine(title + " (in " + initialFolder + "): ", chosen);
}

bool TConsoleUI::ChooseFolder(const std::string& initialFolder, std::string& chosen) {
  return AskLine("Destination folder (now " + initialFolder + "): ", chosen);
}

bool TConsoleUI::AskYesNo(const std::string& text, const std::string& caption) {
  std::string answer;
  if (!AskLine(caption + ": " + text + " [y/N] ", answer)) return false;
  return answer == "y" || answer == "Y" || answer == "yes";
}

void TConsoleUI::ShowMessage(const std::string& text, const std::string& caption) {
  prompts_ << caption << ": " << text << "\n" << std::flush;
}

}  // namespace zipextract
