// Program entry of Setup.exe: the installer, and with "/u" the uninstaller;
// with "/S" either of them without any window.
#include <windows.h>

#include "Application.h"
#include "ComApartment.h"
#include "DeleteAtRestart.h"
#include "DllSearch_win.h"
#include "FormMain.h"
#include "FilesAndFolders.h"
#include "FullPath.h"
#include "InstallDirectory.h"
#include "InstallFolderParents.h"
#include "InstallLog.h"
#include "InstallTransaction.h"
#include "LocalizedMessageDlg.h"
#include "MediumPlan.h"
#include "Product.h"
#include "ProductFolder.h"
#include "RegisterInWindows.h"
#include "Relocation_win.h"
#include "RetryDialog.h"
#include "SetupLock.h"
#include "StarterProcess.h"
#include "Startup_win.h"
#include "UnattendedRun.h"
#include "Utf.h"

#include <memory>
#include <vector>

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

// The reason goes to the run's log, or to the default log when that cannot
// be opened: a deployment tool always finds why a run did nothing.
// `logPath` empty: the default log.
int BadCommandLine(const std::string& logPath, const std::string& problem) {
  std::unique_ptr<TInstallLog> log;
  if (!logPath.empty()) log = std::make_unique<TInstallLog>(logPath);
  if (!log || !log->IsOpen())
    log = std::make_unique<TInstallLog>(DefaultLogPath(), TInstallLog::kSharedFolder);
  log->Write("bad command line: " + problem);
  return kExitBadCommandLine;
}

// The log of this run: the one asked for, else the default log of a silent
// run (the wizard keeps none unless asked).
std::unique_ptr<TInstallLog> OpenRunLog(const TUnattendedOptions& options,
                                        const std::string& logPath) {
  if (!options.logPath.empty()) return std::make_unique<TInstallLog>(logPath);
  if (options.silent) return std::make_unique<TInstallLog>(logPath, TInstallLog::kSharedFolder);
  return std::make_unique<TInstallLog>();
}

// The log stays open for the whole run: inside the install folder it would
// keep an earlier installation from being moved aside, or the uninstalled
// folder from going, so it is refused before anything is done. For an
// uninstallation the folder is the one its record names.
std::string LogInsideInstallFolder(const TRunMode& mode, const TCommandLineFolder& folder,
                                   const std::string& logPath) {
  const TUnattendedOptions& options = mode.Options;
  if (options.logPath.empty()) return std::string();
  std::string d;
  if (mode.UninstallMode) {
    try {
      d = ReadInstallLocation(kProductName).value_or(std::string());
    } catch (const ERegistryError&) {
    }
    if (!d.empty()) d = FullLongPath(d);
  } else {
    d = options.hasFolder ? InstallDirectoryBelow(folder.full) : FullLongPath(ProposedDirectory());
  }
  if (d.empty() || !IsSameOrBelow(logPath, d)) return std::string();
  return "/LOG=" + options.logPath + ": inside the install folder " + d;
}

// A silent installation into a folder whose parents others may delete or
// rename is refused before anything is done, as a bad folder: they could
// put their own folder at its path. The wizard asks for another folder.
std::string ChangeableInstallFolder(const TRunMode& mode, const TCommandLineFolder& folder) {
  if (mode.UninstallMode || !mode.Options.silent) return std::string();
  const std::string d = mode.Options.hasFolder ? InstallDirectoryBelow(folder.full)
                                               : FullLongPath(ProposedDirectory());
  const std::string problem = ChangeableParentText(ChangeableParentOf(d));
  return problem.empty() ? problem : "install folder " + d + ": " + problem;
}

// The lock stays with the other run. Its log may be this run's too (the
// default log of silent runs): this run's reason then goes after its lines.
int NotStarted(const TUnattendedOptions& options, TInstallLog& log, const TSetupLock& lock) {
  if (!lock.Problem().empty()) {
    log.Write("not started: " + lock.Problem());
    return kExitFailed;
  }
  log.Write(options.silent ? "not started: another run of the setup did not end within " +
                                 std::to_string(TSetupLock::kSilentWaitMs / 1000) + " s"
                           : "not started: another run of the setup is going on");
  if (!options.silent) {
    LocalizedMessageDlg("Программа установки уже запущена.\rДождитесь окончания её работы.",
                        kApplicationTitle, dlg::kInformation, dlg::kOK);
  }
  return kExitAnotherRun;
}

int Relocate(const TUnattendedOptions& options, TInstallLog& log, const std::string& logPath,
             TSetupLock& lock) {
  const std::string switches = RelocatedSwitches(options, logPath);
  const auto handOver = [&lock](HANDLE copy) { return lock.HandTo(copy); };
  TRelocation relocation;
  if (options.silent) {
    TNoRetry noRetry;
    relocation = RelocateUninstaller(ThisProgramPath(), switches, noRetry, /*wait=*/true, handOver);
  } else {
    TRetryDialog dialog;
    relocation = RelocateUninstaller(ThisProgramPath(), switches, dialog, /*wait=*/false, handOver);
  }
  // After whatever a copy that ran has logged itself.
  if (!relocation.failure.empty()) log.Write("uninstallation failed: " + relocation.failure);
  if (options.silent) return relocation.exitCode;
  if (relocation.started) return kExitDone;
  LocalizedMessageDlg("Не удается запустить программу удаления.\r" + relocation.failure,
                      kApplicationTitle, dlg::kError, dlg::kOK);
  return kExitFailed;
}

// A completed run that left something to the next restart says what, last.
int RestartNeeded(int code, const std::vector<std::string>& before, TInstallLog& log) {
  if (code != kExitDone) return code;
  const std::vector<std::string> left = LeftToRestartSince(before, {ThisProgramPath()});
  if (left.empty()) return code;
  std::string names;
  for (const std::string& path : left) names += (names.empty() ? "" : ", ") + path;
  log.Write("completed; left to the next restart: " + names);
  return kExitRestartNeeded;
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
  const std::string askedLog = options.logPath.empty() ? std::string() : logPath;
  if (!options.error.empty()) return BadCommandLine(askedLog, options.error);
  TCommandLineFolder folder;
  if (options.hasFolder) {
    folder = CheckCommandLineFolder(options.folder);
    if (!folder.problem.empty()) return BadCommandLine(askedLog, folder.problem);
    // A folder so deep that the installation would fail half-way.
    const std::string tooLong =
        mode.UninstallMode ? std::string()
                           : PathTooLongFor(InstallDirectoryBelow(folder.full), mode.SourceFolder);
    if (!tooLong.empty()) return BadCommandLine(askedLog, "/D=" + options.folder + ": " + tooLong);
  }
  const std::string inside = LogInsideInstallFolder(mode, folder, logPath);
  if (!inside.empty()) return BadCommandLine(std::string(), inside);
  const std::string changeable = ChangeableInstallFolder(mode, folder);
  if (!changeable.empty()) return BadCommandLine(askedLog, changeable);
  const std::unique_ptr<TInstallLog> log = OpenRunLog(options, logPath);
  if (!options.logPath.empty() && !log->IsOpen())
    return BadCommandLine(std::string(), "/LOG=" + options.logPath + ": " + logPath +
                                             " cannot be opened (system error " +
                                             std::to_string(log->Error()) + ")");

  // One run of the product's setup at a time, from here to the end of this
  // function: a silent run waits for the other to end, the wizard says the
  // setup is running already and ends. The relocating uninstaller hands the
  // lock over to its copy.
  TSetupLock lock(options.silent ? TSetupLock::kSilentWaitMs : 0);
  if (!lock.Held()) return NotStarted(options, *log, lock);
  if (lock.Abandoned())
    log->Write("the setup lock was abandoned: the run that held it ended without giving it up");

  if (mode.SelfRelocation) {
    // This instance has done its part once the copy is started; the copy runs
    // the uninstall wizard. It ends here, before the application window (the
    // taskbar button) or any form exists, so nothing is left that the user
    // could act on. Only the retry prompt of a failed copy shows meanwhile.
    // Silent, it waits for the copy so that its caller learns the result.
    return Relocate(options, *log, logPath, lock);
  }

  // The shell's link object and folder browser live in this thread's apartment.
  if (options.silent) {
    TComApartment com;
    // A run that was ended half-way (a power cut, the task manager) is
    // undone, or finished, before this one touches anything; over one that
    // cannot be, nothing is installed or uninstalled.
    std::string why;
    if (!FinishInterruptedInstallation(*log, &why)) return StopOverUnfinishedUndo(why, *log);
    if (mode.UninstallMode) return RunUnattendedUninstall(options, *log);
    const std::vector<std::string> before = OperationsAtRestart();
    return RestartNeeded(RunUnattendedInstallation(mode, folder.full, ThisProgramPath(), *log),
                         before, *log);
  }
  // The relocated uninstaller's undo of an interrupted installation needs
  // the installed Setup.exe that started it to have ended.
  if (mode.UninstallMode) WaitForStarterToEnd(30000);
  const std::vector<std::string> before = OperationsAtRestart();
  app.Initialize();
  TComApartment com;
  TMainForm mainForm;
  mainForm.Show();
  app.Run();
  return RestartNeeded(mainForm.ExitCode(), before, *log);
}
