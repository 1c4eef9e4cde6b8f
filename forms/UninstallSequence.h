// The removal steps of the uninstaller: the install folder, the shortcuts and
// the registry records of the product, all found from its uninstall record.
#pragma once

#include <functional>
#include <string>
#include <vector>

class TInstallLog;
class TFilesInUsePrompt;

// Shows a stage of the removal: its text and the bar's position (0 to 100).
using SetCurrentActionFn = std::function<void(const std::string& text, int position)>;

struct TUninstallResult {
  // The product folder removed (or left to the next restart); empty when none.
  std::string folder;
  // What stayed on the machine, each with its reason; empty when nothing did.
  std::vector<std::string> left;
};

// The removal steps run by the wizard's BeginUninstall after it showed
// "Подготовка к удалению...", 0. Reports its stages at 10, 50, 90 and 100
// when there is an uninstall record; without one it touches nothing. What
// cannot be deleted now is left for the next restart. The uninstall record
// goes last, and only when nothing of the product stays that only it could
// still find: an uninstall that was ended half-way, or that could not
// remove something, can be run again. Each deletion goes to `log`. With
// `filesInUse`, the programs that hold the install folder are found first
// and closed when it says so; what they still hold goes at the next restart.
TUninstallResult RunUninstallSequence(const SetCurrentActionFn& setCurrentAction, TInstallLog& log,
                                      TFilesInUsePrompt* filesInUse = nullptr);

// The same without a log.
void RunUninstallSequence(const SetCurrentActionFn& setCurrentAction);
