// The installation sequence.
#include "InputDataForm.h"

bool RunInstallation() { return false; }
