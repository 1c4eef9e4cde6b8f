// The component choice on the directory page: the check list and the setup
// type kept in step, the description panel, the megabytes, the free-space
// check, and the summary page's list.
#include "ComponentChoice.h"
#include "FilesAndFolders.h"
#include "InputDataForm.h"
#include "LocalizedMessageDlg.h"
#include "Utf.h"

namespace {

constexpr int kDatabaseItem = 2;
constexpr int kMapImageItem = 3;

}  // namespace

void TWizardForm::SetInitialComponents() {
  for (int item = 0; item < 2; ++item) {
    CheckList.SetChecked(item, true);
    CheckList.SetItemEnabled(item, false);
  }
  ComboBox1.SetItemIndex(kSetupFull);
  ComboBox1Change({});
  CheckListMouseDown({});
}

void TWizardForm::ComboBox1Change(const toolkit::EventArgs&) {
  const TChoice choice = ApplySetupType(
      ComboBox1.ItemIndex(), {CheckList.Checked(kDatabaseItem), CheckList.Checked(kMapImageItem)});
  CheckList.SetChecked(kDatabaseItem, choice.database);
  CheckList.SetChecked(kMapImageItem, choice.mapImage);
}

void TWizardForm::CheckListClickCheck(const toolkit::EventArgs&) {
  ComboBox1.SetItemIndex(
      SetupTypeOf({CheckList.Checked(kDatabaseItem), CheckList.Checked(kMapImageItem)}));
}

// Follows the highlight, not the check boxes: a click on an item's text shows
// its description without changing the choice.
void TWizardForm::CheckListMouseDown(const toolkit::EventArgs&) {
  const int item = CheckList.ItemIndex();
  if (item < 0 || item > 3) {
    Description.SetText("");
    return;
  }
  Description.SetText(kComponents[item].description);
  Megabytes.SetText(std::string("Объём, занимаемый на диске: ") + kComponents[item].size);
}

void TWizardForm::CheckListKeyDown(const toolkit::EventArgs& e) { CheckListMouseDown(e); }

int TWizardForm::CalculateMegabytes() {
  return ::CalculateMegabytes({CheckList.Checked(kDatabaseItem), CheckList.Checked(kMapImageItem)});
}

bool TWizardForm::FreeSpaceCheck() {
  const std::string directory = Directory.Text();
  const int64_t freeBytes = FreeBytesOnDriveOf(directory);
  if (EnoughFreeSpace(CalculateMegabytes(), freeBytes)) return true;
  LocalizedMessageDlg(NoSpaceMessage(directory), "Недостаточно места", dlg::kWarning, dlg::kOK);
  return false;
}

void TWizardForm::FillComponentList() {
  ComponentList.Clear();
  for (const std::string& item :
       SummaryItems({CheckList.Checked(kDatabaseItem), CheckList.Checked(kMapImageItem)})) {
    ComponentList.Add(item);
  }
}

// The summary list is text to read, not a choice: it never keeps a
// highlight or the focus.
void TWizardForm::ComponentListMouseDown(const toolkit::EventArgs&) {
  ComponentList.SetItemIndex(-1);
  ::SetFocus(Handle());
}

void TWizardForm::ComponentListKeyDown(const toolkit::EventArgs& e) { ComponentListMouseDown(e); }
