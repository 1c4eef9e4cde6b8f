// The installation as the wizard runs it: the progress window in front, the
// backdrop's billboards during the map image, the error messages and retry
// questions as dialogs; the wizard comes back after a success.
#include "FormMain.h"
#include "FilesInUseDialog.h"
#include "FormProgress.h"
#include "FullPath.h"
#include "InputDataForm.h"
#include "InstallationSequence.h"
#include "LocalizedMessageDlg.h"
#include "RetryDialog.h"
#include "Startup_win.h"
#include "UnZipDialogs.h"

namespace {

class TWizardInstallView : public TInstallView {
 public:
  explicit TWizardInstallView(TProgressForm& progress) : progress_(progress) {}

  bool Retry(const std::string& message, const std::string& path) override {
    return retry_.Retry(message, path);
  }
  void SetActionText(const std::string& text) override { progress_.SetActionText(text); }
  void AdvanceProgress(int count) override { progress_.AdvanceProgress(count); }
  void ShowBillboard(int number) override { MainForm->ShowBillboard(number); }
  void ShowCopyError(const std::string& text) override {
    LocalizedMessageDlg(text, "Ошибка", dlg::kError, dlg::kOK);
  }
  uz::TUnZipUI& ArchiveUI() override { return dialogs_; }
  TFilesInUseAnswer FilesInUse(const std::vector<TProgramInUse>& programs,
                               const std::string& folder) override {
    return filesInUse_.FilesInUse(programs, folder);
  }
  void KeepScreenCurrent() override { filesInUse_.KeepScreenCurrent(); }

 private:
  TProgressForm& progress_;
  TRetryDialog retry_;
  TFilesInUseDialog filesInUse_{false};
  TUnZipDialogs dialogs_;
};

TInstallChoice WizardChoice() {
  TInstallChoice choice;
  // As the system reads it, which is also how the record keeps it and how
  // the uninstall recognises it.
  choice.directory = FullLongPath(InstallDirectory());
  choice.source = ThisRunMode().SourceFolder;
  choice.program = ThisProgramPath();
  choice.components = WizardForm->CheckedComponents();
  return choice;
}

}  // namespace

bool RunInstallation() {
  bool success = false;
  {
    TProgressForm progress;
    WizardForm->Hide();
    progress.Show();
    MainForm->Repaint();
    progress.Repaint();
    progress.ProgressBar.SetMax(ProgressMaximum(WizardForm->CalculateMegabytes()));
    TWizardInstallView view(progress);
    success = RunInstallationSequence(WizardChoice(), view, WizardForm->Log());
    if (success) {
      WizardForm->Show();
      WizardForm->BringToFront();
    }
  }
  MainForm->Repaint();
  WizardForm->Repaint();
  return success;
}
