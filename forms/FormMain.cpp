#include "FormMain.h"

#include "Application.h"
#include "FormMain.layout.h"
#include "FormProgress.h"
#include "InputDataForm.h"
#include "ScreenLayout.h"
#include "UnattendedOptions.h"

TMainForm* MainForm = nullptr;

TMainForm::TMainForm()
    : TForm(kMainForm, kMainFormControls, kMainFormControlCount,
            toolkit::Application::Instance().Handle()) {
  Bind(this, kMainFormEvents, kMainFormEventCount);
  toolkit::Application::Instance().SetMainForm(Handle());
  MainForm = this;
  Created();
}

TMainForm::~TMainForm() {
  if (MainForm == this) MainForm = nullptr;
}

void TMainForm::CloseGranted() { toolkit::Application::Instance().Terminate(); }

void TMainForm::FormActivate(const toolkit::EventArgs&) {
  // Only the first activation opens the wizard: the backdrop becomes active
  // again whenever the wizard hides during the installation.
  Window().SetHandler(toolkit::Event::Activate, nullptr);
  {
    TWizardForm wizard;
    if (wizard.InterruptedRunFinished()) wizard.ShowModal();
    exitCode_ = wizard.ExitCode();
    if (exitCode_ == kExitCancelled) wizard.Log().Write("cancelled by the user");
  }
  toolkit::Application::Instance().Terminate();
}

void TMainForm::FormPaint(const toolkit::EventArgs& e) {
  if (!e.dc) {  // resized: paint everything anew
    Repaint();
    return;
  }
  HDC screen = GetDC(nullptr);
  const int depth = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
  ReleaseDC(nullptr, screen);
  if (!BackdropHasGradient(depth)) return;
  const int height = e.client.bottom;
  HGDIOBJ oldBrush = SelectObject(e.dc, GetStockObject(DC_BRUSH));
  for (int row = 0; row < height; ++row) {
    const TRgb c = GradientRowColor(row, height);
    SetDCBrushColor(e.dc, RGB(c.red, c.green, c.blue));
    PatBlt(e.dc, 0, row, e.client.right, 1, PATCOPY);
  }
  SelectObject(e.dc, oldBrush);
}

void TMainForm::ShowBillboard(unsigned n) {
  Billboard1.Hide();
  Billboard2.Hide();
  UpdateWindow(Handle());
  Sleep(500);
  if (n != 1 && n != 2) return;
  toolkit::TImage& billboard = n == 1 ? Billboard1 : Billboard2;
  RECT client;
  GetClientRect(Handle(), &client);
  const TPlacement at =
      BillboardPlacement(client.right, ProgressForm->Top(), billboard.Width(), billboard.Height());
  billboard.SetBounds(at.left, at.top, billboard.Width(), billboard.Height());
  billboard.Show();
  billboard.Repaint();
}
