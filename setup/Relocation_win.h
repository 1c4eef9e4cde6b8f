#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "RetryPrompt.h"

// The installed uninstaller cannot delete the folder it runs from, so it
// copies itself to the temporary folder as Duv20Izeviruvu.exe and starts that
// copy with "/u"; the caller then ends this instance. Nothing here stops the
// relocation: a failed copy is reported by the retry prompt, a failed start
// not at all. `switches` follow "/u" on the copy's command line; a failed copy
// asks `prompt`. `handOver` gives the setup lock to the copy's process,
// started suspended, before it runs; when it cannot, the copy is not run.
struct TRelocation {
  // With `wait` the copy's result once it ended (CopyResult; 2 when it could
  // not be started), else 0 as soon as it started.
  int exitCode = 2;
  bool started = false;  // the copy ran, and may have written the log
  std::string failure;   // why the relocation or the copy failed
};
TRelocation RelocateUninstaller(const std::string& programPath, const std::string& switches,
                                TRetryPrompt& prompt, bool wait,
                                const std::function<bool(HANDLE)>& handOver);
