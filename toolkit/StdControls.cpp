#include "StdControls.h"

#include <commctrl.h>

#include "Application.h"
#include "Utf.h"

namespace toolkit {

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace

TButton::TButton(const ControlDecl& decl, TContainer* parent) : TWinControl(decl, parent) {
  CreateHandle(L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON);
  if (style_ & kDefault) parent->Root()->SetDefaultButton(this);
}

void TButton::HandleCommand(int code) {
  if (code != BN_CLICKED) return;
  // The result this click gives is the one the button had when pressed: a
  // handler that gives the button a result acts from the next click on.
  const int result = modalResult_;
  Fire(Event::Click);
  if (result != 0) Application::SetModalResult(parent_->Root()->Handle(), result);
}

TComboBox::TComboBox(const ControlDecl& decl, TContainer* parent) : TWinControl(decl, parent) {
  const std::string items = text_;
  text_.clear();
  // The declared height is the closed box; the list drops below it.
  bounds_.bottom = bounds_.top + 200;
  CreateHandle(L"COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST);
  for (const std::string& item : Lines(items)) {
    SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
  }
}

void TComboBox::HandleCommand(int code) {
  if (code == CBN_SELCHANGE) Fire(Event::Change);
}

int TComboBox::ItemIndex() const { return int(SendMessageW(Handle(), CB_GETCURSEL, 0, 0)); }
void TComboBox::SetItemIndex(int index) { SendMessageW(Handle(), CB_SETCURSEL, WPARAM(index), 0); }

TListBox::TListBox(const ControlDecl& decl, TContainer* parent) : TWinControl(decl, parent) {
  text_.clear();
  CreateHandle(L"LISTBOX", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS |
                               ((style_ & kNoTab) ? 0 : WS_TABSTOP));
  SendMessageW(Handle(), LB_SETITEMHEIGHT, 0, 16);
  HookInput();
}

HBRUSH TListBox::ControlColor(HDC dc) {
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return GetSysColorBrush(COLOR_BTNFACE);
}

void TListBox::Clear() { SendMessageW(Handle(), LB_RESETCONTENT, 0, 0); }
void TListBox::Add(const std::string& item) {
  SendMessageW(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
}
int TListBox::ItemIndex() const { return int(SendMessageW(Handle(), LB_GETCURSEL, 0, 0)); }
void TListBox::SetItemIndex(int index) { SendMessageW(Handle(), LB_SETCURSEL, WPARAM(index), 0); }

void TListBox::AfterInput(UINT msg, WPARAM wp, LPARAM lp) {
  EventArgs args;
  if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN) {
    args.x = short(LOWORD(lp));
    args.y = short(HIWORD(lp));
    Fire(Event::MouseDown, args);
  } else if (msg == WM_KEYDOWN) {
    args.key = int(wp);
    Fire(Event::KeyDown, args);
  }
}

TProgressBar::TProgressBar(const ControlDecl& decl, TContainer* parent)
    : TWinControl(decl, parent) {
  CreateHandle(PROGRESS_CLASSW, PBS_SMOOTH);
  SetMax(100);
}

int TProgressBar::Max() const { return int(SendMessageW(Handle(), PBM_GETRANGE, FALSE, 0)); }
void TProgressBar::SetMax(int max) { SendMessageW(Handle(), PBM_SETRANGE32, 0, max); }
int TProgressBar::Position() const { return int(SendMessageW(Handle(), PBM_GETPOS, 0, 0)); }
void TProgressBar::SetPosition(int position) {
  SendMessageW(Handle(), PBM_SETPOS, WPARAM(position), 0);
}

TContainer* TNotebook::Page(int index) const {
  int i = 0;
  for (TControl* child : Children()) {
    if (child->GetKind() != Kind::Page) continue;
    if (i++ == index) return static_cast<TContainer*>(child);
  }
  return nullptr;
}

void TNotebook::SetPageIndex(int index) {
  TContainer* page = Page(index);
  if (!page || index == pageIndex_) return;
  page->SetVisible(true);
  SetWindowPos(page->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (TContainer* old = Page(pageIndex_)) old->SetVisible(false);
  pageIndex_ = index;
  Fire(Event::PageChanged);
}

}  // namespace toolkit
