#include "Container.h"

#include "Application.h"
#include "Utf.h"

namespace toolkit {

namespace {

const wchar_t kClassName[] = L"TalmirContainer";
// Activation is reported after the activating message has been handled, so
// that a handler may open a modal window.
const UINT kActivated = WM_APP + 1;

}  // namespace

TContainer::TContainer(const ControlDecl& decl, TContainer* parent) : TWinControl(decl, parent) {
  RegisterWindowClass(kClassName, WindowProc);
  color_ = decl.color;
  CreateHandle(kClassName, WS_CLIPCHILDREN | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT);
  if (style_ & kFill) {
    RECT client;
    GetClientRect(parent->Handle(), &client);
    SetBounds(0, 0, client.right, client.bottom);
  }
  SetColor(color_);
}

TContainer::TContainer(const ControlDecl& decl, DWORD style, DWORD exStyle, HWND owner)
    : TWinControl(decl, nullptr) {
  RegisterWindowClass(kClassName, WindowProc);
  RECT frame = {0, 0, decl.width, decl.height};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  handle_.reset(CreateWindowExW(exStyle | WS_EX_CONTROLPARENT, kClassName, Widen(text_).c_str(),
                                style | WS_CLIPCHILDREN, decl.left, decl.top,
                                frame.right - frame.left, frame.bottom - frame.top, owner, nullptr,
                                GetModuleHandleW(nullptr), nullptr));
  SetPropW(handle_.get(), L"TalmirToolkitControl", static_cast<TWinControl*>(this));
  SetColor(decl.color);
}

COLORREF TContainer::Color() const {
  if (color_ != kParentColor) return ToColorRef(color_);
  if (parent_) return parent_->Color();
  return GetSysColor(COLOR_BTNFACE);
}

void TContainer::SetColor(unsigned color) {
  color_ = color;
  brush_.reset(CreateSolidBrush(Color()));
  if (handle_) InvalidateRect(handle_.get(), nullptr, FALSE);
}

TContainer* TContainer::Root() {
  TContainer* c = this;
  while (c->parent_) c = c->parent_;
  return c;
}

HFONT TContainer::Font(unsigned style) const {
  if (style & kBigFont) return fonts_[2];
  if (style & kBold) return fonts_[1];
  return fonts_[0];
}

void TContainer::SetDefaultButton(TWinControl* button) {
  if (defaultButton_ && defaultButton_ != button) {
    SendMessageW(defaultButton_->Handle(), BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
  }
  defaultButton_ = button;
  if (button) SendMessageW(button->Handle(), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

bool TContainer::Owns(HWND window) const {
  return window && (window == handle_.get() || IsChild(handle_.get(), window));
}

void TContainer::RememberFocus() {
  HWND focus = GetFocus();
  if (Owns(focus)) focus_ = focus;
}

// Shown within the form (the form itself may be hidden for a while), enabled,
// and not inside the control that is going away.
bool TContainer::CanTakeFocus(HWND window, HWND leaving) const {
  if (!Owns(window) || !IsWindowEnabled(window)) return false;
  if (leaving && (window == leaving || IsChild(leaving, window))) return false;
  for (HWND w = window; w && w != handle_.get(); w = GetParent(w)) {
    if (!(GetWindowLongPtrW(w, GWL_STYLE) & WS_VISIBLE)) return false;
  }
  return true;
}

HWND TContainer::FocusCandidate(HWND leaving) const {
  if (defaultButton_ && CanTakeFocus(defaultButton_->Handle(), leaving))
    return defaultButton_->Handle();
  HWND self = handle_.get();
  HWND first = GetNextDlgTabItem(self, nullptr, FALSE);
  for (HWND w = first; w;) {
    if (CanTakeFocus(w, leaving)) return w;
    w = GetNextDlgTabItem(self, w, FALSE);
    if (w == first) break;
  }
  return self;
}

void TContainer::FocusAwayFrom(HWND control) {
  auto inside = [control](HWND w) { return w && (w == control || IsChild(control, w)); };
  const bool holdsFocus = inside(GetFocus());
  if (!holdsFocus && !inside(focus_)) return;
  focus_ = FocusCandidate(control);
  if (holdsFocus) ::SetFocus(focus_);
}

void TContainer::RestoreFocus() {
  if (!IsWindow(focus_) || (focus_ != handle_.get() && !CanTakeFocus(focus_, nullptr)))
    focus_ = FocusCandidate(nullptr);
  ::SetFocus(focus_);
}

void TContainer::PaintBackground(HDC dc, const RECT& area) {
  FillRect(dc, &area, static_cast<HBRUSH>(brush_.get()));
  if (!parent_) {
    EventArgs args;
    args.dc = dc;
    GetClientRect(handle_.get(), &args.client);
    Fire(Event::Paint, args);
  }
  PaintDecoration(dc);
  for (TControl* child : children_) {
    if (!child->Handle() && child->Visible()) child->Paint(dc);
  }
}

void TContainer::PaintDecoration(HDC dc) {
  RECT client;
  GetClientRect(handle_.get(), &client);
  if (kind_ == Kind::Panel) {
    DrawEdge(dc, &client, BDR_RAISEDINNER, BF_RECT);
  } else if (kind_ == Kind::GroupBox) {
    HGDIOBJ oldFont = SelectObject(dc, Root()->Font(kNoStyle));
    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    RECT frame = client;
    frame.top = metrics.tmHeight / 2;
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    const std::wstring caption = Widen(text_);
    RECT text = {8, 0, client.right - 8, metrics.tmHeight};
    DrawTextW(dc, caption.c_str(), -1, &text, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    text.right += 2;
    text.left -= 1;
    FillRect(dc, &text, static_cast<HBRUSH>(brush_.get()));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    text.left += 1;
    DrawTextW(dc, caption.c_str(), -1, &text, DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, oldFont);
  }
}

void TContainer::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(handle_.get(), &ps);
  RECT client;
  GetClientRect(handle_.get(), &client);
  {
    BufferedPaint buffer(dc, client.right, client.bottom);
    PaintBackground(buffer.Get(), client);
    buffer.CopyTo(0, 0);
  }
  EndPaint(handle_.get(), &ps);
}

LRESULT TContainer::ForwardToChild(HWND child, UINT msg, WPARAM wp, LPARAM, bool* handled) {
  TWinControl* control = child ? FromHandle(child) : nullptr;
  *handled = control != nullptr;
  if (!control) return 0;
  switch (msg) {
    case WM_COMMAND:
      control->HandleCommand(HIWORD(wp));
      return 0;
    default: {
      HBRUSH brush = control->ControlColor(reinterpret_cast<HDC>(wp));
      if (brush) return reinterpret_cast<LRESULT>(brush);
      if (msg == WM_CTLCOLORBTN || msg == WM_CTLCOLORSTATIC) {
        SetBkColor(reinterpret_cast<HDC>(wp), Color());
        return reinterpret_cast<LRESULT>(brush_.get());
      }
      *handled = false;
      return 0;
    }
  }
}

LRESULT TContainer::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  HWND hwnd = handle_.get();
  bool handled = false;
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_COMMAND: {
      HWND child = reinterpret_cast<HWND>(lp);
      // Enter in a form without a focused push button: the default button.
      if (!child && LOWORD(wp) == IDOK && defaultButton_) child = defaultButton_->Handle();
      if (child && IsWindowEnabled(child)) ForwardToChild(child, msg, wp, lp, &handled);
      return 0;
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      if (TWinControl* control = FromHandle(item->hwndItem)) control->DrawItem(*item);
      return TRUE;
    }
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC: {
      const LRESULT result = ForwardToChild(reinterpret_cast<HWND>(lp), msg, wp, lp, &handled);
      if (handled) return result;
      break;
    }
    case DM_GETDEFID:
      if (defaultButton_) return MAKELRESULT(GetDlgCtrlID(defaultButton_->Handle()), DC_HASDEFID);
      return 0;
    case WM_SETCURSOR:
      if (HCURSOR cursor = Application::Instance().CursorOverride()) {
        SetCursor(cursor);
        return TRUE;
      }
      break;
    case WM_ACTIVATE:
      if (parent_) break;
      // In place of the default, which gives the focus to the form itself:
      // the control that had it gets it back, as in a standard dialog.
      if (LOWORD(wp) == WA_INACTIVE) {
        RememberFocus();
      } else {
        if (!HIWORD(wp)) RestoreFocus();  // not while minimized
        PostMessageW(hwnd, kActivated, 0, 0);
      }
      return 0;
    case kActivated:
      Fire(Event::Activate);
      return 0;
    case WM_SIZE:
      if (!parent_) {
        Fire(Event::Resize);
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      break;
    case WM_CLOSE:
      if (!parent_) {
        bool canClose = true;
        EventArgs args;
        args.canClose = &canClose;
        Fire(Event::CloseQuery, args);
        if (canClose && onCloseGranted) onCloseGranted();
        return 0;
      }
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK TContainer::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = static_cast<TContainer*>(FromHandle(hwnd));
  if (!self || self->handle_.get() != hwnd) return DefWindowProcW(hwnd, msg, wp, lp);
  return self->HandleMessage(msg, wp, lp);
}

}  // namespace toolkit
