// Program entry of Setup.exe: the installer, and with "/u" the uninstaller;
// with "/S" either of them without any window.
#include <windows.h>

#include "Application.h"
#include "ComApartment.h"
#include "DllSearch_win.h"
#include "FormMain.h"
#include "FilesAndFolders.h"
#include "FullPath.h"
#include "InstallDirectory.h"
#include "InstallLog.h"
#include "InstallTransaction.h"
#include "LocalizedMessageDlg.h"
#include "Relocation_win.h"
#include "RetryDialog.h"
#include "SetupLock.h"
#include "StarterProcess.h"
#include "Startup_win.h"
#include "UnattendedRun.h"
#include "Utf.h"

#include <memory>

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

int BadCommandLine(const std::string& logPath, const std::string& problem) {
  TInstallLog log(logPath);
  log.Write("bad command line: " + problem);
  return kExitBadCommandLine;
}

// The lock stays with the other run. Its log may be this run's too (the
// default log of silent runs): this run's reason then goes after its lines.
int AnotherRunHoldsTheLock(const TUnattendedOptions& options, const std::string& logPath,
                           const TSetupLock& lock) {
  {
    TInstallLog log(logPath);
    if (lock.Error()) {
      log.Write("not started: the setup lock cannot be made (error " +
                std::to_string(lock.Error()) + ")");
      return kExitFailed;
    }
    log.Write(options.silent ? "not started: another run of the setup did not end within " +
                                   std::to_string(TSetupLock::kSilentWaitMs / 1000) + " s"
                             : "not started: another run of the setup is going on");
  }
  if (!options.silent) {
    LocalizedMessageDlg("Программа установки уже запущена.\rДождитесь окончания её работы.",
                        kApplicationTitle, dlg::kInformation, dlg::kOK);
  }
  return kExitFailed;
}

int Relocate(const TUnattendedOptions& options, const std::string& logPath, TSetupLock& lock) {
  const std::string switches = RelocatedSwitches(options, logPath);
  const auto handOver = [&lock] { lock.Release(); };
  TRelocation relocation;
  if (options.silent) {
    TNoRetry noRetry;
    relocation = RelocateUninstaller(ThisProgramPath(), switches, noRetry, /*wait=*/true, handOver);
  } else {
    TRetryDialog dialog;
    relocation = RelocateUninstaller(ThisProgramPath(), switches, dialog, /*wait=*/false, handOver);
  }
  if (!relocation.failure.empty()) {
    // A copy that ran may have logged its own lines first.
    std::unique_ptr<TInstallLog> log =
        relocation.started ? std::make_unique<TInstallLog>(logPath, TInstallLog::kAppend)
                           : std::make_unique<TInstallLog>(logPath);
    log->Write("uninstallation failed: " + relocation.failure);
  }
  return options.silent ? relocation.exitCode : kExitDone;
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

  // A bad command line changes nothing, so it ends the run before it waits
  // for anyone; so does a "/D=" folder that is not there, in any run: a
  // wizard that nobody sees would keep a deployment waiting.
  if (!options.error.empty()) return BadCommandLine(logPath, options.error);
  TCommandLineFolder folder;
  if (options.hasFolder) {
    folder = CheckCommandLineFolder(options.folder);
    if (!folder.problem.empty()) return BadCommandLine(logPath, folder.problem);
  }
  // The log stays open for the whole run: inside the install folder it would
  // keep an earlier installation from being moved aside, so it is refused
  // before anything is done, and the refusal goes to the default log.
  if (!mode.UninstallMode && !options.logPath.empty()) {
    const std::string d =
        options.hasFolder ? InstallDirectoryBelow(folder.full) : FullLongPath(ProposedDirectory());
    if (IsSameOrBelow(logPath, d))
      return BadCommandLine(DefaultLogPath(),
                            "/LOG=" + options.logPath + ": inside the install folder " + d);
  }

  // One run of the product's setup at a time, from here to the end of this
  // function: a silent run waits for the other to end, the wizard says the
  // setup is running already and ends. The relocating uninstaller hands the
  // lock over to its copy.
  TSetupLock lock(options.silent ? TSetupLock::kSilentWaitMs : 0);
  if (!lock.Held()) return AnotherRunHoldsTheLock(options, logPath, lock);

  if (mode.SelfRelocation) {
    // This instance has done its part once the copy is started; the copy runs
    // the uninstall wizard. It ends here, before the application window (the
    // taskbar button) or any form exists, so nothing is left that the user
    // could act on. Only the retry prompt of a failed copy shows meanwhile.
    // Silent, it waits for the copy so that its caller learns the result.
    return Relocate(options, logPath, lock);
  }

  // The shell's link object and folder browser live in this thread's apartment.
  if (options.silent) {
    TComApartment com;
    TInstallLog log(logPath);
    // A run that was ended half-way (a power cut, the task manager) is
    // undone, or finished, before this one touches anything; over one that
    // cannot be, nothing is installed or uninstalled.
    std::string why;
    if (!FinishInterruptedInstallation(log, &why)) return StopOverUnfinishedUndo(why, log);
    return mode.UninstallMode
               ? RunUnattendedUninstall(log)
               : RunUnattendedInstallation(mode, folder.full, ThisProgramPath(), log);
  }
  // The relocated uninstaller's undo of an interrupted installation needs
  // the installed Setup.exe that started it to have ended.
  if (mode.UninstallMode) WaitForStarterToEnd(30000);
  app.Initialize();
  TComApartment com;
  TMainForm mainForm;
  mainForm.Show();
  app.Run();
  return mainForm.ExitCode();
}
