#include "Controls.h"

#include <commctrl.h>

#include "Container.h"
#include "StdControls.h"
#include "Utf.h"

namespace toolkit {

namespace {

const wchar_t kControlProperty[] = L"TalmirToolkitControl";
constexpr UINT_PTR kInputHookId = 1;

}  // namespace

TControl::TControl(const ControlDecl& decl, TContainer* parent)
    : name_(decl.name),
      kind_(decl.kind),
      parent_(parent),
      bounds_{decl.left, decl.top, decl.left + decl.width, decl.top + decl.height},
      visible_((decl.style & kHidden) == 0),
      text_(decl.text ? decl.text : ""),
      style_(decl.style) {
  if ((decl.style & kFill) && parent) {
    RECT client;
    GetClientRect(parent->Handle(), &client);
    bounds_ = client;
  }
}

void TControl::SetBounds(int left, int top, int width, int height) {
  InvalidateInParent();
  bounds_ = {left, top, left + width, top + height};
  InvalidateInParent();
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  InvalidateInParent();
}

bool TControl::Showing() const {
  if (!visible_) return false;
  if (!parent_) return true;
  return parent_->Showing();
}

void TControl::SetText(const std::string& text) {
  text_ = text;
  InvalidateInParent();
}

void TControl::Repaint() {
  if (parent_ && parent_->Handle()) UpdateWindow(parent_->Handle());
}

void TControl::InvalidateInParent() const {
  if (parent_ && parent_->Handle()) InvalidateRect(parent_->Handle(), &bounds_, FALSE);
}

TWinControl::~TWinControl() {
  if (handle_) {
    RemoveWindowSubclass(handle_.get(), InputHook, kInputHookId);
    RemovePropW(handle_.get(), kControlProperty);
  }
}

void TWinControl::CreateHandle(const wchar_t* className, DWORD style, DWORD exStyle) {
  if (visible_) style |= WS_VISIBLE;
  handle_.reset(CreateWindowExW(exStyle, className, Widen(text_).c_str(), style | WS_CHILD,
                                bounds_.left, bounds_.top, Width(), Height(), parent_->Handle(),
                                reinterpret_cast<HMENU>(INT_PTR(parent_->Root()->NextControlId())),
                                GetModuleHandleW(nullptr), nullptr));
  SetPropW(handle_.get(), kControlProperty, this);
  if (TContainer* root = parent_->Root()) SetFont(root->Font(style_));
}

TWinControl* TWinControl::FromHandle(HWND hwnd) {
  return static_cast<TWinControl*>(GetPropW(hwnd, kControlProperty));
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  bounds_ = {left, top, left + width, top + height};
  SetWindowPos(handle_.get(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::SetVisible(bool visible) {
  if (!visible) FocusAway();
  visible_ = visible;
  ShowWindow(handle_.get(), visible ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::SetText(const std::string& text) {
  text_ = text;
  SetWindowTextW(handle_.get(), Widen(text).c_str());
}

void TWinControl::Repaint() {
  InvalidateRect(handle_.get(), nullptr, TRUE);
  UpdateWindow(handle_.get());
}

bool TWinControl::Enabled() const { return IsWindowEnabled(handle_.get()) != FALSE; }
void TWinControl::SetEnabled(bool enabled) {
  if (!enabled) FocusAway();
  EnableWindow(handle_.get(), enabled);
}

// Recorded first: when the form is not active, the system passes the focus
// on only once the form is active again.
void TWinControl::SetFocus() {
  if (parent_) parent_->Root()->RememberFocus(handle_.get());
  ::SetFocus(handle_.get());
}

// A hidden or disabled control that kept the focus would swallow the keys:
// Enter and Tab would do nothing until the user clicked somewhere.
void TWinControl::FocusAway() {
  if (parent_ && handle_) parent_->Root()->FocusAwayFrom(handle_.get());
}

void TWinControl::SetFont(HFONT font) {
  if (font) SendMessageW(handle_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void TWinControl::HookInput() {
  SetWindowSubclass(handle_.get(), InputHook, kInputHookId, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK TWinControl::InputHook(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                        DWORD_PTR data) {
  const LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
  const bool input =
      (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) || (msg >= WM_KEYFIRST && msg <= WM_KEYLAST);
  if (input && IsWindow(hwnd)) reinterpret_cast<TWinControl*>(data)->AfterInput(msg, wp, lp);
  return result;
}

void RegisterWindowClass(const wchar_t* name, WNDPROC proc) {
  HINSTANCE module = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  if (GetClassInfoExW(module, name, &wc)) return;
  wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = module;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hIcon = LoadIconW(module, MAKEINTRESOURCEW(1));
  wc.lpszClassName = name;
  RegisterClassExW(&wc);
}

std::unique_ptr<TControl> CreateControl(const ControlDecl& decl, TContainer* parent) {
  switch (decl.kind) {
    case Kind::Notebook:
      return std::make_unique<TNotebook>(decl, parent);
    case Kind::Page:
    case Kind::GroupBox:
    case Kind::Panel:
    case Kind::Form:
      return std::make_unique<TContainer>(decl, parent);
    case Kind::Label:
      return std::make_unique<TLabel>(decl, parent);
    case Kind::Image:
      return std::make_unique<TImage>(decl, parent);
    case Kind::Shape:
      return std::make_unique<TShape>(decl, parent);
    case Kind::Bevel:
      return std::make_unique<TBevel>(decl, parent);
    case Kind::Button:
      return std::make_unique<TButton>(decl, parent);
    case Kind::CheckList:
      return std::make_unique<TCheckListBox>(decl, parent);
    case Kind::ComboBox:
      return std::make_unique<TComboBox>(decl, parent);
    case Kind::ListBox:
      return std::make_unique<TListBox>(decl, parent);
    case Kind::ProgressBar:
      return std::make_unique<TProgressBar>(decl, parent);
  }
  return nullptr;
}

}  // namespace toolkit
