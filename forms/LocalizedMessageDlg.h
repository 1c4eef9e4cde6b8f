// The program's one message dialog: every question, warning and error shown
// to the user goes through LocalizedMessageDlg. It carries Russian button
// captions, which the system's MessageBox cannot.
#pragma once

#include <string>

namespace dlg {

// Dialog types: the icon and the sound.
enum Type : int { kWarning = 0, kError = 1, kInformation = 2, kConfirmation = 3, kCustom = 4 };

// Button set bits. The buttons stand left to right in this order.
enum Button : unsigned {
  kYes = 1,
  kNo = 2,
  kOK = 4,
  kCancel = 8,
  kAbort = 16,
  kRetry = 32,
  kIgnore = 64,
  kAll = 128,
  kNoToAll = 256,
  kYesToAll = 512,
  kHelp = 1024,
};

// Result codes: the button that closed the dialog. The close box answers
// kResultCancel whatever the buttons are.
enum Result : int {
  kResultNone = 0,
  kResultOK = 1,
  kResultCancel = 2,
  kResultAbort = 3,
  kResultRetry = 4,
  kResultIgnore = 5,
  kResultYes = 6,
  kResultNo = 7,
  kResultAll = 8,
  kResultNoToAll = 9,
  kResultYesToAll = 10,
};

}  // namespace dlg

// Shows `text` (UTF-8; a carriage return starts a new line) in a modal dialog
// captioned `caption`, with the icon and sound of `dlgType` (dlg::Type) and the
// buttons of the mask `buttons` (dlg::Button bits), and returns the code of the
// button that closed it (dlg::Result). Enter presses OK, else Yes, else Retry;
// Escape presses Cancel, else No, else OK, and nothing when none of these is
// present. Help does not close the dialog. Returns kResultCancel at once when
// the application's termination has been requested.
int LocalizedMessageDlg(const std::string& text, const std::string& caption, int dlgType,
                        unsigned buttons);
