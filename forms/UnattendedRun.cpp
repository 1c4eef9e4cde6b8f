#include "UnattendedRun.h"

#include <windows.h>

#include <memory>

#include "Application.h"
#include "ComponentChoice.h"
#include "DeleteAtRestart.h"
#include "FilesAndFolders.h"
#include "FolderBrowser.h"
#include "FormProgress.h"
#include "FullPath.h"
#include "InstallDirectory.h"
#include "InstallLog.h"
#include "InstallTransaction.h"
#include "InstallationSequence.h"
#include "RegisterInWindows.h"
#include "Product.h"
#include "ProductFolder.h"
#include "RunMode.h"
#include "SpecialFolders.h"
#include "StarterProcess.h"
#include "Startup_win.h"
#include "UninstallSequence.h"
#include "Utf.h"
#include "uzUserInterface.h"

namespace {

// With "/PASSIVE" the progress window shows what the run does, and keeps
// itself current while the archive component unpacks; nothing else shows.
class TPassiveProgress {
 public:
  TPassiveProgress(bool shown, int maximum) {
    if (!shown) return;
    toolkit::Application::Instance().Initialize();
    form_ = std::make_unique<TProgressForm>();
    form_->ProgressBar.SetMax(maximum);
    form_->Show();
    form_->Repaint();
  }
  void SetActionText(const std::string& text) {
    if (form_) form_->SetActionText(text);
  }
  void AdvanceProgress(int count) {
    if (form_) form_->AdvanceProgress(count);
  }
  void SetPosition(int position) {
    if (!form_) return;
    form_->ProgressBar.SetPosition(position);
    form_->ProgressBar.Repaint();
  }
  void ProcessMessages() {
    if (form_) toolkit::Application::Instance().ProcessMessages();
  }

 private:
  std::unique_ptr<TProgressForm> form_;
};

// The archive component's questions, answered without a screen.
class TSilentArchiveUI : public uz::TUnZipUI {
 public:
  TSilentArchiveUI(TInstallLog& log, TPassiveProgress& progress) : log_(log), progress_(progress) {}
  void ProcessMessages() override { progress_.ProcessMessages(); }
  bool ChooseZipFile(const std::string&, const std::string&, const std::string&,
                     std::string&) override {
    return false;
  }
  bool ChooseFolder(const std::string&, std::string&) override { return false; }
  bool AskYesNo(const std::string& text, const std::string&) override {
    log_.Write("question answered No: " + text);
    return false;
  }
  void ShowMessage(const std::string& text, const std::string& caption) override {
    log_.Write("message: " + caption + ": " + text);
  }

 private:
  TInstallLog& log_;
  TPassiveProgress& progress_;
};

// Without a screen the product's programs are closed once, as a user would
// answer "Да" ("/NOCLOSEAPPLICATIONS": never); what still holds the folder
// then stops an installation, and is left to the next restart by an
// uninstallation.
class TSilentFilesInUse : public TFilesInUsePrompt {
 public:
  TSilentFilesInUse(bool mayClose, bool othersBlock, TPassiveProgress& progress)
      : mayClose_(mayClose), othersBlock_(othersBlock), progress_(progress) {}
  TFilesInUseAnswer FilesInUse(const std::vector<TProgramInUse>& programs,
                               const std::string&) override {
    const TFilesInUseAnswer answer = UnattendedAnswer(programs, mayClose_, closed_, othersBlock_);
    closed_ = closed_ || answer == TFilesInUseAnswer::kClose;
    return answer;
  }
  void KeepScreenCurrent() override { progress_.ProcessMessages(); }

 private:
  const bool mayClose_, othersBlock_;
  TPassiveProgress& progress_;
  bool closed_ = false;
};

class TSilentInstallView : public TInstallView {
 public:
  TSilentInstallView(TInstallLog& log, TPassiveProgress& progress, bool mayClose)
      : log_(log),
        progress_(progress),
        archive_(log, progress),
        filesInUse_(mayClose, true, progress) {}
  bool Retry(const std::string& message, const std::string& path) override {
    log_.Write("question answered Abort: " + message + path);
    return false;
  }
  void SetActionText(const std::string& text) override { progress_.SetActionText(text); }
  void AdvanceProgress(int count) override { progress_.AdvanceProgress(count); }
  void ShowBillboard(int) override {}
  void ShowCopyError(const std::string& text) override {
    std::string line = text;
    for (char& c : line) {
      if (c == '\r') c = ' ';
    }
    log_.Write("error: " + line);
  }
  uz::TUnZipUI& ArchiveUI() override { return archive_; }
  TFilesInUseAnswer FilesInUse(const std::vector<TProgramInUse>& programs,
                               const std::string& folder) override {
    return filesInUse_.FilesInUse(programs, folder);
  }
  void KeepScreenCurrent() override { filesInUse_.KeepScreenCurrent(); }

 private:
  TInstallLog& log_;
  TPassiveProgress& progress_;
  TSilentArchiveUI archive_;
  TSilentFilesInUse filesInUse_;
};

// The installed uninstaller that started this copy waits for its result and
// runs from the install folder: it gets the result through the pipe it gave
// as standard output, and ends, so that its folder can go. Whoever else reads
// this program's standard output gets nothing from it. Null when nobody
// waits.
HANDLE StarterPipe() {
  const std::wstring name = toolkit::Widen(kResultPipeVariable);
  wchar_t asked[32] = {};
  const DWORD length = GetEnvironmentVariableW(name.c_str(), asked, 32);
  SetEnvironmentVariableW(name.c_str(), nullptr);
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (length == 0 || length >= 32 || out == nullptr || out == INVALID_HANDLE_VALUE ||
      std::to_wstring(reinterpret_cast<uintptr_t>(out)) != asked ||
      GetFileType(out) != FILE_TYPE_PIPE)
    return nullptr;
  return out;
}

// True when the starter got the result.
bool ReportToStarter(HANDLE pipe, int32_t code) {
  if (!pipe) return false;
  DWORD written = 0;
  const bool reported =
      WriteFile(pipe, &code, sizeof code, &written, nullptr) && written == sizeof code;
  CloseHandle(pipe);
  SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
  return reported;
}

std::string Listed(const std::vector<std::string>& paths) {
  std::string names;
  for (const std::string& path : paths) names += (names.empty() ? "" : ", ") + path;
  return names;
}

// What the starter's running program kept from deletion goes once it ended;
// the deletions left to the next restart are then taken back.
void RemoveWhatTheStarterHeld(const std::string& folder, TInstallLog& log) {
  if (folder.empty() || !FolderExists(folder)) return;
  for (int attempt = 0; attempt < 300 && FolderExists(folder); ++attempt) {
    Sleep(100);
    DeleteFolderIfExists(folder);
  }
  if (FolderExists(folder)) return;
  CancelDeletionsAtRestart(folder);
  log.Write("deleted: " + folder + " (once the uninstaller that started this copy had ended)");
}

}  // namespace

int RunUnattendedInstallation(const TRunMode& mode, const std::string& folder,
                              const std::string& programPath, TInstallLog& log) {
  const TUnattendedOptions& options = mode.Options;
  TInstallChoice choice;
  choice.directory =
      folder.empty() ? FullLongPath(ProposedDirectory()) : InstallDirectoryBelow(folder);
  choice.source = mode.SourceFolder;
  choice.program = programPath;
  choice.components = options.components;
  const int megabytes = CalculateMegabytes(choice.components);
  if (!EnoughFreeSpace(megabytes, FreeBytesOnDriveOf(choice.directory))) {
    log.Write("installation failed: " + std::to_string(megabytes) +
              " MB and a margin do not fit on the drive of " + choice.directory);
    return kExitFailed;
  }
  TPassiveProgress progress(options.passive, ProgressMaximum(megabytes));
  TSilentInstallView view(log, progress, options.closeApplications);
  return RunInstallationSequence(choice, view, log) ? kExitDone : kExitFailed;
}

int RunUnattendedUninstall(const TUnattendedOptions& options, TInstallLog& log) {
  const std::vector<std::string> before = OperationsAtRestart();
  TUninstallResult result;
  {
    TPassiveProgress progress(options.passive, 100);
    const auto setCurrentAction = [&log, &progress](const std::string& text, int position) {
      progress.SetActionText(text);
      progress.SetPosition(position);
      log.Write("step: " + text + " (progress " + std::to_string(position) + " of 100)");
    };
    setCurrentAction("Подготовка к удалению...", 0);
    TSilentFilesInUse filesInUse(options.closeApplications, false, progress);
    result = RunUninstallSequence(setCurrentAction, log, &filesInUse);
  }
  // Something of the product stayed: the run has not removed it.
  int code = result.left.empty() ? kExitDone : kExitFailed;
  std::string last = code == kExitDone ? "uninstallation completed"
                                       : "uninstallation failed: " + result.left.front();
  // The waiting uninstaller's own file goes once it has ended, below; this
  // copy goes at the next restart, which nothing needs.
  const HANDLE starter = StarterPipe();
  std::vector<std::string> ignored = {ThisProgramPath()};
  if (starter && !result.folder.empty()) ignored.push_back(result.folder + "\\Setup.exe");
  const std::vector<std::string> left = LeftToRestartSince(before, ignored);
  if (code == kExitDone && !left.empty()) {
    code = kExitRestartNeeded;
    last = "uninstallation completed; left to the next restart: " + Listed(left);
  }
  ReportToStarter(starter, code);
  // Files held by other programs keep the folder until the restart anyway.
  if (starter && left.empty()) RemoveWhatTheStarterHeld(result.folder, log);
  log.Write(last);
  return code;
}

int StopOverUnfinishedUndo(const std::string& why, TInstallLog& log) {
  log.Write("not started: " + why);
  if (!ReportToStarter(StarterPipe(), kExitFailed)) return kExitFailed;
  // The starter has its result and ends; what only it kept from the undo
  // (its own file in the folder to be put back) is free then.
  std::string still;
  if (WaitForStarterToEnd(30000) && FinishInterruptedInstallation(log, &still)) {
    log.Write(
        "not uninstalled: an interrupted installation had to be undone first; run the "
        "uninstallation again");
  } else {
    log.Write("not started: " + (still.empty() ? why : still));
  }
  return kExitFailed;
}

std::string DefaultLogPath() {
  const std::string folder = TemporaryFolder();
  if (folder.empty()) return folder;
  // Named for the product: the temporary folder is shared with every other
  // program's setup.
  return folder + kProductName + " Setup.log";
}
