// The small window that shows what the installation is doing, kept above
// every other window near the bottom of the screen. It cannot be closed by
// the user: the installation creates it, drives it and frees it.
#pragma once

#include <string>

#include "Form.h"

class TProgressForm : public toolkit::TForm {
 public:
  TProgressForm();
  ~TProgressForm() override;

  void SetActionText(const std::string& text);
  // Moves the bar on by `count`, never past its maximum.
  void AdvanceProgress(int count);
  int Top() const { return BoundsOnScreen().top; }

  toolkit::TLabel& CurrentAction = Get<toolkit::TLabel>("CurrentAction");
  toolkit::TProgressBar& ProgressBar = Get<toolkit::TProgressBar>("ProgressBar");

  void FormCreate(const toolkit::EventArgs&);
  void FormCloseQuery(const toolkit::EventArgs&);
};

// The single instance while it exists, else nullptr.
extern TProgressForm* ProgressForm;
