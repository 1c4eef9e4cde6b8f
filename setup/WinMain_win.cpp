// Program entry of Setup.exe: the installer, and with "/u" the uninstaller;
// with "/S" either of them without any window.
#include <windows.h>

#include "Application.h"
#include "ComApartment.h"
#include "DllSearch_win.h"
#include "FormMain.h"
#include "InstallLog.h"
#include "Relocation_win.h"
#include "RetryDialog.h"
#include "Startup_win.h"
#include "UnattendedRun.h"
#include "Utf.h"

namespace {

// Nobody is there to answer: a failed step is given up.
class TNoRetry : public TRetryPrompt {
 public:
  bool Retry(const std::string&, const std::string&) override { return false; }
};

// The log's path as the user meant it: relative to the folder this run was
// started in, which the relocated uninstaller does not share.
std::string LogPathOf(const TUnattendedOptions& options) {
  if (options.logPath.empty()) return options.silent ? DefaultLogPath() : std::string();
  const std::wstring given = toolkit::Widen(options.logPath);
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return options.logPath;
    if (length < full.size()) return toolkit::Narrow(full.data(), length);
    full.resize(length + 1);
  }
}

int Relocate(const TUnattendedOptions& options, const std::string& logPath) {
  const std::string switches = RelocatedSwitches(options, logPath);
  if (options.silent) {
    TNoRetry noRetry;
    return RelocateUninstaller(ThisProgramPath(), switches, noRetry, /*wait=*/true);
  }
  TRetryDialog dialog;
  RelocateUninstaller(ThisProgramPath(), switches, dialog, /*wait=*/false);
  return kExitDone;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  RestrictDllSearchToSystemFolder();
  // The run mode is fixed here, before any window exists.
  const TRunMode& mode = ThisRunMode();
  const TUnattendedOptions& options = mode.Options;
  const std::string logPath = LogPathOf(options);

  toolkit::Application& app = toolkit::Application::Instance();
  app.SetTitle(kApplicationTitle);

  if (!options.error.empty()) {
    TInstallLog log(logPath);
    log.Write("bad command line: " + options.error);
    return kExitBadCommandLine;
  }
  if (mode.SelfRelocation) {
    // This instance has done its part once the copy is started; the copy runs
    // the uninstall wizard. It ends here, before the application window (the
    // taskbar button) or any form exists, so nothing is left that the user
    // could act on. Only the retry prompt of a failed copy shows meanwhile.
    // Silent, it waits for the copy so that its caller learns the result.
    return Relocate(options, logPath);
  }

  // The shell's link object and folder browser live in this thread's apartment.
  if (options.silent) {
    TComApartment com;
    TInstallLog log(logPath);
    return mode.UninstallMode ? RunUnattendedUninstall(log)
                              : RunUnattendedInstallation(mode, ThisProgramPath(), log);
  }
  app.Initialize();
  TComApartment com;
  TMainForm mainForm;
  mainForm.Show();
  app.Run();
  return mainForm.ExitCode();
}
