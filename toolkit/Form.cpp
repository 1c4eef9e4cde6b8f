#include "Form.h"

#include "Application.h"
#include "Utf.h"

namespace toolkit {

namespace {

FontHandle MakeFont(const char* face, int height, bool bold) {
  LOGFONTW font = {};
  font.lfHeight = height;
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  // The product's texts are Russian: ask for a face that has the letters.
  font.lfCharSet = RUSSIAN_CHARSET;
  font.lfQuality = DEFAULT_QUALITY;
  const std::wstring name = Widen(face);
  lstrcpynW(font.lfFaceName, name.c_str(), LF_FACESIZE);
  return FontHandle(CreateFontIndirectW(&font));
}

int PointsToPixels(int points) {
  HDC screen = GetDC(nullptr);
  const int pixels = MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  return pixels;
}

}  // namespace

TForm::TForm(const FormDecl& form, const ControlDecl* controls, size_t count, HWND owner)
    : placement_(form.placement),
      font_(MakeFont(form.fontName, -PointsToPixels(form.fontPoints), false)),
      boldFont_(MakeFont(form.fontName, -PointsToPixels(form.fontPoints), true)),
      headingFont_(MakeFont(form.headingFontName ? form.headingFontName : form.fontName,
                            -form.headingPixels, true)) {
  int left = form.left, top = form.top;
  int width = form.clientWidth, height = form.clientHeight;
  if (form.placement == Placement::Maximized) {
    left = top = 0;
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
  } else if (form.placement == Placement::DesktopCenter) {
    RECT frame = {0, 0, form.clientWidth, form.clientHeight};
    AdjustWindowRectEx(&frame, form.style, FALSE, form.exStyle);
    left = (GetSystemMetrics(SM_CXSCREEN) - (frame.right - frame.left)) / 2;
    top = (GetSystemMetrics(SM_CYSCREEN) - (frame.bottom - frame.top)) / 2;
  }
  const ControlDecl self = {Kind::Form, form.name, "",           left,     top,
                            width,      height,    form.caption, kNoStyle, form.color};
  window_ = std::make_unique<TContainer>(self, form.style, form.exStyle, owner);
  window_->SetFonts(font_.get(), boldFont_.get(), headingFont_.get());
  window_->SetFont(font_.get());
  window_->onCloseGranted = [this] { CloseGranted(); };
  for (size_t i = 0; i < count; ++i) {
    const ControlDecl& row = controls[i];
    TContainer* parent = window_.get();
    if (row.parent[0]) parent = &Get<TContainer>(row.parent);
    controls_.push_back(CreateControl(row, parent));
    parent->Add(controls_.back().get());
  }
}

TForm::~TForm() = default;

TControl* TForm::Find(const std::string& name) const {
  for (const auto& control : controls_) {
    if (control->Name() == name) return control.get();
  }
  return nullptr;
}

std::string TForm::Caption() const { return window_->Text(); }
void TForm::SetCaption(const std::string& caption) { window_->SetText(caption); }

void TForm::Show() {
  ShowWindow(Handle(), placement_ == Placement::Maximized ? SW_SHOWMAXIMIZED : SW_SHOW);
  UpdateWindow(Handle());
}

void TForm::Hide() { ShowWindow(Handle(), SW_HIDE); }

void TForm::BringToFront() {
  SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(Handle());
}

int TForm::ShowModal() {
  modal_ = true;
  const int result = Application::Instance().RunModal(Handle());
  modal_ = false;
  return result;
}

void TForm::Close() { SendMessageW(Handle(), WM_CLOSE, 0, 0); }

void TForm::CloseGranted() {
  if (modal_) {
    Application::SetModalResult(Handle(), kModalCancel);
  } else {
    Hide();
  }
}

void TForm::Repaint() {
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

RECT TForm::BoundsOnScreen() const {
  RECT rect;
  GetWindowRect(Handle(), &rect);
  return rect;
}

void TForm::MoveTo(int left, int top) {
  SetWindowPos(Handle(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace toolkit
