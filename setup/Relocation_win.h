#pragma once

#include <string>

// The installed uninstaller cannot delete the folder it runs from, so it
// copies itself to the temporary folder as Duv20Izeviruvu.exe and starts that
// copy with "/u"; the caller then ends this instance. Nothing here stops the
// relocation: a failed copy is reported by the retry prompt, a failed start
// not at all.
void RelocateUninstaller(const std::string& programPath);
