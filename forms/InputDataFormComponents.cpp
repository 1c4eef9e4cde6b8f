// The component choice on the directory page: the check list and the setup
// type kept in step, the description panel, the megabytes, the free-space
// check, and the summary page's list. The check list's rows are the
// component table's rows.
#include "ComponentChoice.h"
#include "FilesAndFolders.h"
#include "InputDataForm.h"
#include "InstallDirectory.h"
#include "InstallFolderParents.h"
#include "LocalizedMessageDlg.h"
#include "Utf.h"

void TWizardForm::SetInitialComponents() {
  for (int row = 0; row < kComponentCount; ++row) {
    if (kComponents[row].optional) continue;
    CheckList.SetChecked(row, true);
    CheckList.SetItemEnabled(row, false);
  }
  ComboBox1.SetItemIndex(kSetupFull);
  ComboBox1Change({});
  CheckListMouseDown({});
}

TChoice TWizardForm::CheckedComponents() {
  TChoice choice;
  for (int row = 0; row < kComponentCount; ++row) choice.Set(row, CheckList.Checked(row));
  return choice;
}

void TWizardForm::ComboBox1Change(const toolkit::EventArgs&) {
  const TChoice choice = ApplySetupType(ComboBox1.ItemIndex(), CheckedComponents());
  for (int row = 0; row < kComponentCount; ++row) {
    if (kComponents[row].optional) CheckList.SetChecked(row, choice.Has(row));
  }
}

void TWizardForm::CheckListClickCheck(const toolkit::EventArgs&) {
  ComboBox1.SetItemIndex(SetupTypeOf(CheckedComponents()));
}

// Follows the highlight, not the check boxes: a click on an item's text shows
// its description without changing the choice.
void TWizardForm::CheckListMouseDown(const toolkit::EventArgs&) {
  const int row = CheckList.ItemIndex();
  if (row < 0 || row >= kComponentCount) {
    Description.SetText("");
    return;
  }
  Description.SetText(kComponents[row].description);
  Megabytes.SetText(std::string("Объём, занимаемый на диске: ") + kComponents[row].sizeText);
}

void TWizardForm::CheckListKeyDown(const toolkit::EventArgs& e) { CheckListMouseDown(e); }

int TWizardForm::CalculateMegabytes() { return ::CalculateMegabytes(CheckedComponents()); }

bool TWizardForm::FreeSpaceCheck() {
  const std::string directory = Directory.Text();
  const int64_t freeBytes = FreeBytesOnDriveOf(directory);
  if (EnoughFreeSpace(CalculateMegabytes(), freeBytes)) return true;
  LocalizedMessageDlg(NoSpaceMessage(directory), "Недостаточно места", dlg::kWarning, dlg::kOK);
  return false;
}

// Other users who may move a parent of the install folder aside could put
// their own program where the installed one is.
bool TWizardForm::FolderIsProtected() {
  const TParentVerdict verdict = ChangeableParentOf(Directory.Text());
  if (verdict.folder.empty()) return true;
  log_.Write("folder refused: " + ChangeableParentText(verdict));
  LocalizedMessageDlg(ChangeableFolderMessage(verdict.folder), "Выбор папки", dlg::kWarning,
                      dlg::kOK);
  return false;
}

void TWizardForm::FillComponentList() {
  ComponentList.Clear();
  for (const std::string& item : SummaryItems(CheckedComponents())) ComponentList.Add(item);
}

// The summary list is text to read, not a choice: it never keeps a
// highlight or the focus.
void TWizardForm::ComponentListMouseDown(const toolkit::EventArgs&) {
  ComponentList.SetItemIndex(-1);
  ::SetFocus(Handle());
}

void TWizardForm::ComponentListKeyDown(const toolkit::EventArgs& e) { ComponentListMouseDown(e); }
