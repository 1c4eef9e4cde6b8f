#include "FilesInUseDialog.h"

#include "Application.h"
#include "LocalizedMessageDlg.h"

TFilesInUseAnswer TFilesInUseDialog::FilesInUse(const std::vector<TProgramInUse>& programs,
                                                const std::string& folder) {
  // Only the product's own programs are ever closed: with another program
  // among them there is nothing to close that would free the folder.
  const unsigned close = AnyOther(programs) ? 0u : unsigned{dlg::kYes};
  const unsigned giveUp = uninstalling_ ? unsigned{dlg::kIgnore} : unsigned{dlg::kAbort};
  switch (LocalizedMessageDlg(FilesInUseMessage(programs, folder, uninstalling_),
                              "Файлы используются", dlg::kWarning, close | giveUp | dlg::kRetry)) {
    case dlg::kResultYes:
      return TFilesInUseAnswer::kClose;
    case dlg::kResultRetry:
      return TFilesInUseAnswer::kRetry;
    default:  // Abort, Ignore, the close box
      return TFilesInUseAnswer::kStop;
  }
}

void TFilesInUseDialog::KeepScreenCurrent() { toolkit::Application::Instance().ProcessMessages(); }
