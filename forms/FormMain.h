// The backdrop: a borderless window over the whole screen with a blue
// gradient, the application's main form. Its first activation runs the wizard;
// the end of the wizard ends the program. During the copy of the map image it
// shows a billboard above the progress window.
#pragma once

#include "Form.h"
#include "UnattendedOptions.h"

class TMainForm : public toolkit::TForm {
 public:
  TMainForm();
  ~TMainForm() override;

  // 1 and 2 show that billboard (the progress window must exist: its top edge
  // places the picture), any other number hides both. Takes half a second.
  void ShowBillboard(unsigned n);
  // The wizard's exit code once it has ended.
  int ExitCode() const { return exitCode_; }

  toolkit::TImage& Billboard1 = Get<toolkit::TImage>("Billboard1");
  toolkit::TImage& Billboard2 = Get<toolkit::TImage>("Billboard2");

  void FormActivate(const toolkit::EventArgs&);
  void FormPaint(const toolkit::EventArgs&);

 protected:
  void CloseGranted() override;

 private:
  int exitCode_ = kExitCancelled;  // ended before the wizard ran: nothing was done
};

// The single instance while it exists, else nullptr.
extern TMainForm* MainForm;
