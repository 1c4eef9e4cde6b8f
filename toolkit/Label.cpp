#include <vector>

#include "StdControls.h"
#include "Utf.h"

namespace toolkit {

namespace {

const wchar_t kLabelClass[] = L"TalmirLabel";

}  // namespace

TLabel::TLabel(const ControlDecl& decl, TContainer* parent) : TWinControl(decl, parent) {
  RegisterWindowClass(kLabelClass, WindowProc);
  font_ = parent->Root()->Font(style_);
  CreateHandle(kLabelClass, 0);
  AutoSize();
}

void TLabel::SetText(const std::string& text) {
  const RECT before = Bounds();
  TWinControl::SetText(text);
  AutoSize();
  Repaint();
  // A shorter text uncovers part of the container: paint it now too, since
  // during long work nobody else will before the next change.
  if (!EqualRect(&before, &bounds_)) {
    InvalidateRect(parent_->Handle(), &before, FALSE);
    UpdateWindow(parent_->Handle());
  }
}

void TLabel::SetLabelFont(HFONT font) {
  font_ = font;
  AutoSize();
  Repaint();
}

UINT TLabel::TextFormat() const {
  return DT_NOPREFIX | DT_LEFT | ((style_ & kWordWrap) ? DT_WORDBREAK : 0);
}

// Labels without a fixed size take the size of their text, as a caption that
// grows and shrinks with what it says.
void TLabel::AutoSize() {
  if (style_ & kFixedSize) return;
  MeasuringContext measure(font_);
  const std::wstring text = Widen(text_);
  RECT rect = {0, 0, 0, 0};
  if (text.empty()) {
    TEXTMETRICW metrics;
    GetTextMetricsW(measure.Get(), &metrics);
    rect.bottom = metrics.tmHeight;
  } else {
    DrawTextW(measure.Get(), text.c_str(), -1, &rect, TextFormat() | DT_CALCRECT);
  }
  SetBounds(Left(), Top(), rect.right, rect.bottom);
}

// The label draws what its container shows behind it (pictures included),
// then its text, in one buffer: transparent, and without flicker when the
// text changes.
void TLabel::OnPaint() {
  HWND hwnd = handle_.get();
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client;
  GetClientRect(hwnd, &client);
  {
    BufferedPaint buffer(dc, client.right, client.bottom);
    HDC target = buffer.Get();
    POINT old;
    SetViewportOrgEx(target, -Left(), -Top(), &old);
    RECT area = Bounds();
    parent_->PaintBackground(target, area);
    SetViewportOrgEx(target, old.x, old.y, nullptr);
    HGDIOBJ oldFont = SelectObject(target, font_);
    SetBkMode(target, TRANSPARENT);
    SetTextColor(target, GetSysColor(COLOR_WINDOWTEXT));
    const std::wstring text = Widen(text_);
    DrawTextW(target, text.c_str(), -1, &client, TextFormat());
    SelectObject(target, oldFont);
    buffer.CopyTo(0, 0);
  }
  EndPaint(hwnd, &ps);
}

LRESULT CALLBACK TLabel::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = static_cast<TLabel*>(FromHandle(hwnd));
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      if (self) {
        self->OnPaint();
        return 0;
      }
      break;
    case WM_NCHITTEST:
      // Clicks go to whatever lies below, as on a picture.
      return HTTRANSPARENT;
    case WM_GETDLGCODE:
      return DLGC_STATIC;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

TImage::TImage(const ControlDecl& decl, TContainer* parent)
    : TControl(decl, parent), picture_(TPicture::FromResource(decl.text ? decl.text : "")) {
  text_.clear();
  if (picture_ && decl.width == 0) {
    bounds_.right = bounds_.left + picture_->Width();
    bounds_.bottom = bounds_.top + picture_->Height();
  }
}

void TImage::Paint(HDC dc) {
  if (picture_) picture_->Draw(dc, Left(), Top());
}

void TShape::Paint(HDC dc) {
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, bounds_.left, bounds_.top, bounds_.right, bounds_.bottom);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
}

// A groove: the shadow line with the highlight line below it.
void TBevel::Paint(HDC dc) {
  RECT shadow = {bounds_.left, bounds_.top, bounds_.right, bounds_.top + 1};
  RECT light = {bounds_.left, bounds_.top + 1, bounds_.right, bounds_.top + 2};
  FillRect(dc, &shadow, GetSysColorBrush(COLOR_BTNSHADOW));
  FillRect(dc, &light, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
}

}  // namespace toolkit
