// The declarations of the wizard (InputDataForm.layout.cpp).
#pragma once

#include "InputDataForm.h"

extern const toolkit::FormDecl kWizardForm;
extern const toolkit::ControlDecl kWizardFormControls[];
extern const size_t kWizardFormControlCount;
extern const toolkit::EventDecl<TWizardForm> kWizardFormEvents[];
extern const size_t kWizardFormEventCount;

// The pages by index.
enum TWizardPage : int {
  kPageStart = 0,
  kPageSelectDirectory = 1,
  kPageStartCopyingFiles = 2,
  kPageInstallCompleted = 3,
  kPageUninstallProgress = 4,
  kPageUninstallCompleted = 5,
};
