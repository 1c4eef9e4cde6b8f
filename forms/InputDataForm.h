// The wizard: the one window through which the user installs the product
// (welcome, directory and components, summary, completion) or, in uninstall
// mode, removes it (welcome, progress, completion). Also home of the
// installation sequence, which reads the user's choices from it.
#pragma once

#include <string>

#include "ComponentChoice.h"
#include "Form.h"
#include "InstallLog.h"

class TWizardForm : public toolkit::TForm {
 public:
  TWizardForm();
  ~TWizardForm() override;

  // The components checked in the check list, and the megabytes they need.
  TChoice CheckedComponents();
  int CalculateMegabytes();
  // The uninstall page's stage: its text and the bar's position (0 to 100).
  void SetCurrentAction(const std::string& text, int position);
  void UpdateButtons();
  void BeginUninstall();
  // The run's log ("/LOG="), and the exit code the run has earned so far.
  TInstallLog& Log() { return log_; }
  int ExitCode() const { return exitCode_; }
  // False when a run ended half-way could not be undone: the user has been
  // told, and the wizard must not run over it.
  bool InterruptedRunFinished();

  toolkit::TNotebook& Notebook = Get<toolkit::TNotebook>("Notebook");
  toolkit::TButton& BackBtn = Get<toolkit::TButton>("BackBtn");
  toolkit::TButton& NextBtn = Get<toolkit::TButton>("NextBtn");
  toolkit::TButton& CancelBtn = Get<toolkit::TButton>("CancelBtn");
  toolkit::TLabel& Directory = Get<toolkit::TLabel>("Directory");
  toolkit::TLabel& Directory2 = Get<toolkit::TLabel>("Directory2");
  toolkit::TCheckListBox& CheckList = Get<toolkit::TCheckListBox>("CheckList");
  toolkit::TComboBox& ComboBox1 = Get<toolkit::TComboBox>("ComboBox1");
  toolkit::TLabel& Description = Get<toolkit::TLabel>("Description");
  toolkit::TLabel& Megabytes = Get<toolkit::TLabel>("Megabytes");
  toolkit::TListBox& ComponentList = Get<toolkit::TListBox>("ComponentList");
  toolkit::TLabel& CurrentAction = Get<toolkit::TLabel>("CurrentAction");
  toolkit::TProgressBar& UninstallProgress = Get<toolkit::TProgressBar>("UninstallProgress");

  // Handlers, wired by the form's declaration.
  void FormCreate(const toolkit::EventArgs&);
  void FormCloseQuery(const toolkit::EventArgs&);
  void NotebookPageChanged(const toolkit::EventArgs&);
  void BackBtnClick(const toolkit::EventArgs&);
  void NextBtnClick(const toolkit::EventArgs&);
  void CancelBtnClick(const toolkit::EventArgs&);
  void Button1Click(const toolkit::EventArgs&);
  void CheckListMouseDown(const toolkit::EventArgs&);
  void CheckListKeyDown(const toolkit::EventArgs&);
  void CheckListClickCheck(const toolkit::EventArgs&);
  void ComboBox1Change(const toolkit::EventArgs&);
  void ComponentListMouseDown(const toolkit::EventArgs&);
  void ComponentListKeyDown(const toolkit::EventArgs&);

 private:
  void SetInitialComponents();
  void SetInitialDirectory();
  void SwitchToUninstallMode();
  bool FreeSpaceCheck();
  bool FolderIsProtected();
  void FillComponentList();
  void SetPage(int index) { Notebook.SetPageIndex(index); }

  bool uninstallMode_;
  // The close request after a failed installation ends the program at once.
  bool closeWithoutQuestion_ = false;
  TInstallLog log_;
  int exitCode_;
  bool interruptedRunFinished_ = true;
  std::string interruptedRunProblem_;
};

// The single instance while it exists, else nullptr.
extern TWizardForm* WizardForm;

// The install directory: the text of the wizard's Directory label.
std::string InstallDirectory();

// The installation sequence: true when every step completed.
bool RunInstallation();
