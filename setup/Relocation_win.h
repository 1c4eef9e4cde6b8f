#pragma once

#include <string>

#include "RetryPrompt.h"

// The installed uninstaller cannot delete the folder it runs from, so it
// copies itself to the temporary folder as Duv20Izeviruvu.exe and starts that
// copy with "/u"; the caller then ends this instance. Nothing here stops the
// relocation: a failed copy is reported by the retry prompt, a failed start
// not at all. `switches` follow "/u" on the copy's command line; a failed copy
// asks `prompt`. With `wait` the copy's exit code is returned once it ended
// (2 when it could not be started), else 0 as soon as it started.
int RelocateUninstaller(const std::string& programPath, const std::string& switches,
                        TRetryPrompt& prompt, bool wait);
