#include "FormProgress.h"

#include <algorithm>

#include "Application.h"
#include "FormProgress.layout.h"
#include "ScreenLayout.h"

TProgressForm* ProgressForm = nullptr;

TProgressForm::TProgressForm()
    : TForm(kProgressForm, kProgressFormControls, kProgressFormControlCount,
            toolkit::Application::Instance().Handle()) {
  Bind(this, kProgressFormEvents, kProgressFormEventCount);
  ProgressForm = this;
  Created();
}

TProgressForm::~TProgressForm() {
  if (ProgressForm == this) ProgressForm = nullptr;
}

void TProgressForm::FormCreate(const toolkit::EventArgs&) {
  const RECT bounds = BoundsOnScreen();
  const TPlacement at =
      ProgressWindowPlacement(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                              bounds.right - bounds.left, bounds.bottom - bounds.top);
  MoveTo(at.left, at.top);
}

// The installation processes messages while it unpacks, so Alt+F4 can reach
// this window then; the installation alone decides when it goes.
void TProgressForm::FormCloseQuery(const toolkit::EventArgs& e) { *e.canClose = false; }

void TProgressForm::SetActionText(const std::string& text) { CurrentAction.SetText(text); }

void TProgressForm::AdvanceProgress(int count) {
  ProgressBar.SetPosition(std::min(ProgressBar.Position() + count, ProgressBar.Max()));
  ProgressBar.Repaint();
}
