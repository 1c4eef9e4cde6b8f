// The removal steps of the uninstaller: the install folder, the shortcuts and
// the registry records of the product, all found from its uninstall record.
#pragma once

#include <functional>
#include <string>

class TInstallLog;

// Shows a stage of the removal: its text and the bar's position (0 to 100).
using SetCurrentActionFn = std::function<void(const std::string& text, int position)>;

// The removal steps run by the wizard's BeginUninstall after it showed
// "Подготовка к удалению...", 0. Reports its stages at 10, 50, 90 and 100
// when there is an uninstall record; without one it touches nothing. Never
// reports a failure: what cannot be deleted now is left for the next restart.
// Each deletion goes to `log`. Returns the product folder it removed (or left
// to the next restart), empty when there was none.
std::string RunUninstallSequence(const SetCurrentActionFn& setCurrentAction, TInstallLog& log);

// The same without a log.
void RunUninstallSequence(const SetCurrentActionFn& setCurrentAction);
