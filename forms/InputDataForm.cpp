#include "InputDataForm.h"

#include "Application.h"
#include "FilesInUseDialog.h"
#include "FolderBrowser.h"
#include "InputDataForm.layout.h"
#include "InstallDirectory.h"
#include "InstallTransaction.h"
#include "LocalizedMessageDlg.h"
#include "MediumPlan.h"
#include "ProductFolder.h"
#include "RegisterInWindows.h"
#include "Startup_win.h"
#include "UnattendedOptions.h"
#include "UninstallSequence.h"

TWizardForm* WizardForm = nullptr;

namespace {

constexpr char kInstallFailedText[] =
    "В процессе установки произошла ошибка.\r"
    "Программа не была установлена на Ваш компьютер.\r"
    "Попробуйте закрыть все выполняющиеся приложения, перезагрузить компьютер и запустите "
    "программу установки повоторно.";
constexpr char kNotUndoneText[] =
    "Не удалось отменить прерванную установку программы.\r"
    "Подключите диск, на который она устанавливалась, закройте все выполняющиеся приложения и "
    "запустите программу установки повторно.";
constexpr char kUninstallCaption[] = "Удаление программы \"Карта Тальмирской области 2.0\"";
constexpr char kBrowseTitle[] =
    "Выберите папку, в которой следует разместить программу (обычно \"C:\\Program Files\")";

}  // namespace

std::string InstallDirectory() { return WizardForm ? WizardForm->Directory.Text() : std::string(); }

TWizardForm::TWizardForm()
    : TForm(kWizardForm, kWizardFormControls, kWizardFormControlCount,
            toolkit::Application::Instance().Handle()),
      uninstallMode_(ThisRunMode().UninstallMode),
      log_(ThisRunMode().Options.logPath),
      exitCode_(kExitCancelled) {
  Bind(this, kWizardFormEvents, kWizardFormEventCount);
  WizardForm = this;
  // A run that was ended half-way (a power cut, the task manager) is undone,
  // or finished, before the user can start anything.
  interruptedRunFinished_ = FinishInterruptedInstallation(log_, &interruptedRunProblem_);
  Created();
}

bool TWizardForm::InterruptedRunFinished() {
  if (interruptedRunFinished_) return true;
  log_.Write("not started: " + interruptedRunProblem_);
  exitCode_ = kExitFailed;
  LocalizedMessageDlg(kNotUndoneText, "Ошибка", dlg::kError, dlg::kOK);
  return false;
}

TWizardForm::~TWizardForm() {
  if (WizardForm == this) WizardForm = nullptr;
}

void TWizardForm::FormCreate(const toolkit::EventArgs&) {
  SetPage(kPageStart);
  Get<toolkit::TImage>("Image3").AssignPicture(Get<toolkit::TImage>("Image2"));
  Get<toolkit::TImage>("Image4").AssignPicture(Get<toolkit::TImage>("Image2"));
  Get<toolkit::TImage>("Image6").AssignPicture(Get<toolkit::TImage>("Image5"));
  Get<toolkit::TLabel>("Label2").SetLabelFont(Get<toolkit::TLabel>("Label7").Font());
  UpdateButtons();
  SetInitialComponents();
  SetInitialDirectory();
  if (uninstallMode_) SwitchToUninstallMode();
  if (!uninstallMode_) NextBtn.SetFocus();
}

void TWizardForm::SetInitialDirectory() { Directory.SetText(ProposedDirectory()); }

void TWizardForm::SwitchToUninstallMode() {
  SetCaption(kUninstallCaption);
  toolkit::TLabel& intro1 = Get<toolkit::TLabel>("InstIntro1");
  toolkit::TLabel& intro2 = Get<toolkit::TLabel>("InstIntro2");
  intro1.Hide();
  intro2.Hide();
  Get<toolkit::TLabel>("UninstIntro1").SetTop(intro1.Top());
  Get<toolkit::TLabel>("UninstIntro2").SetTop(intro2.Top());
  Get<toolkit::TLabel>("UninstIntro1").Show();
  Get<toolkit::TLabel>("UninstIntro2").Show();
  CancelBtn.SetText("Удалить");
  CancelBtn.SetHandler(toolkit::Event::Click,
                       [this](const toolkit::EventArgs&) { BeginUninstall(); });
  BackBtn.Hide();
  NextBtn.Hide();
  Window().SetDefaultButton(&CancelBtn);
  CancelBtn.SetFocus();
}

void TWizardForm::UpdateButtons() {
  const int page = Notebook.PageIndex();
  BackBtn.SetEnabled(page != kPageStart);
  if (page == kPageInstallCompleted) {
    BackBtn.Hide();
    NextBtn.Hide();
    CancelBtn.SetText("Готово");
  }
}

void TWizardForm::NotebookPageChanged(const toolkit::EventArgs&) {
  UpdateButtons();
  Directory2.SetText(Directory.Text());
  FillComponentList();
}

void TWizardForm::BackBtnClick(const toolkit::EventArgs&) { SetPage(Notebook.PageIndex() - 1); }

void TWizardForm::NextBtnClick(const toolkit::EventArgs&) {
  const int page = Notebook.PageIndex();
  if (page == kPageSelectDirectory && (!FolderIsProtected() || !FreeSpaceCheck())) return;
  if (page == kPageStartCopyingFiles) {
    toolkit::Application& app = toolkit::Application::Instance();
    app.SetCursorOverride(LoadCursorW(nullptr, IDC_WAIT));
    const bool installed = RunInstallation();
    exitCode_ = installed ? kExitDone : kExitFailed;
    if (!installed) {
      LocalizedMessageDlg(kInstallFailedText, "Ошибка в процессе установки", dlg::kWarning,
                          dlg::kOK);
      closeWithoutQuestion_ = true;
      Close();
    }
    app.SetCursorOverride(nullptr);
    Window().SetDefaultButton(&CancelBtn);
    CancelBtn.SetFocus();
    if (!installed) return;
  }
  SetPage(page + 1);
  // The page that follows an installation has only the one button.
  if (Notebook.PageIndex() == kPageInstallCompleted) CancelBtn.SetFocus();
}

void TWizardForm::CancelBtnClick(const toolkit::EventArgs&) { Close(); }

void TWizardForm::FormCloseQuery(const toolkit::EventArgs& e) {
  if (uninstallMode_ || Notebook.PageIndex() == kPageInstallCompleted || closeWithoutQuestion_) {
    return;
  }
  *e.canClose = LocalizedMessageDlg("Действительно прервать работу программы установки ?", "Выход",
                                    dlg::kConfirmation, dlg::kYes | dlg::kNo) == dlg::kResultYes;
}

void TWizardForm::Button1Click(const toolkit::EventArgs&) {
  const std::string folder =
      BrowseForFolder(toolkit::Application::Instance().Handle(), kBrowseTitle);
  if (folder.empty() || !FolderExists(folder)) return;
  const std::string directory = ChosenInstallDirectory(folder, DriveTypeOf);
  // A folder too deep for the installation's paths is dropped like one that
  // is not on a fixed disk.
  if (!directory.empty() && PathTooLongFor(directory, ThisRunMode().SourceFolder).empty())
    Directory.SetText(directory);
}

void TWizardForm::SetCurrentAction(const std::string& text, int position) {
  CurrentAction.SetText(text);
  UninstallProgress.SetPosition(position & 0xFF);
  CurrentAction.Repaint();
  UninstallProgress.Repaint();
}

void TWizardForm::BeginUninstall() {
  CancelBtn.SetEnabled(false);
  SetPage(kPageUninstallProgress);
  Repaint();
  SetCurrentAction("Подготовка к удалению...", 0);
  TFilesInUseDialog filesInUse(true);
  RunUninstallSequence(
      [this](const std::string& text, int position) { SetCurrentAction(text, position); }, log_,
      &filesInUse);
  exitCode_ = kExitDone;
  SetPage(kPageUninstallCompleted);
  CancelBtn.SetText("Готово");
  CancelBtn.SetHandler(toolkit::Event::Click, nullptr);
  CancelBtn.SetModalResult(toolkit::kModalOK);
  CancelBtn.SetEnabled(true);
  CancelBtn.SetFocus();
}
