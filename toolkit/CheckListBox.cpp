#include <vector>

#include "StdControls.h"
#include "Utf.h"

namespace toolkit {

namespace {

constexpr int kRowHeight = 20;
constexpr int kBoxSize = 13;
constexpr int kBoxMargin = 2;
// The part of a row that toggles the box; the rest only moves the highlight.
constexpr int kBoxArea = kBoxSize + 2 * kBoxMargin;

}  // namespace

TCheckListBox::TCheckListBox(const ControlDecl& decl, TContainer* parent)
    : TWinControl(decl, parent) {
  const std::string items = text_;
  text_.clear();
  CreateHandle(L"LISTBOX",
               WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS |
                   LBS_NOINTEGRALHEIGHT,
               WS_EX_CLIENTEDGE);
  SendMessageW(Handle(), LB_SETITEMHEIGHT, 0, kRowHeight);
  size_t start = 0;
  while (start < items.size()) {
    size_t end = items.find('\n', start);
    if (end == std::string::npos) end = items.size();
    const std::wstring item = Widen(items.substr(start, end - start));
    SendMessageW(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    start = end + 1;
  }
  HookInput();
}

int TCheckListBox::Count() const { return int(SendMessageW(Handle(), LB_GETCOUNT, 0, 0)); }
int TCheckListBox::ItemIndex() const { return int(SendMessageW(Handle(), LB_GETCURSEL, 0, 0)); }

LPARAM TCheckListBox::State(int index) const {
  const LRESULT data = SendMessageW(Handle(), LB_GETITEMDATA, WPARAM(index), 0);
  return data == LB_ERR ? 0 : data;
}

void TCheckListBox::SetState(int index, LPARAM state) {
  SendMessageW(Handle(), LB_SETITEMDATA, WPARAM(index), state);
  RECT row;
  if (SendMessageW(Handle(), LB_GETITEMRECT, WPARAM(index), reinterpret_cast<LPARAM>(&row)) !=
      LB_ERR) {
    InvalidateRect(Handle(), &row, FALSE);
    UpdateWindow(Handle());
  }
}

bool TCheckListBox::Checked(int index) const { return State(index) & kCheckedBit; }
void TCheckListBox::SetChecked(int index, bool checked) {
  const LPARAM state = State(index);
  SetState(index, checked ? state | kCheckedBit : state & ~kCheckedBit);
}
bool TCheckListBox::ItemEnabled(int index) const { return !(State(index) & kDisabledBit); }
void TCheckListBox::SetItemEnabled(int index, bool enabled) {
  const LPARAM state = State(index);
  SetState(index, enabled ? state & ~kDisabledBit : state | kDisabledBit);
}

void TCheckListBox::ToggleByUser(int index) {
  if (index < 0 || index >= Count() || !ItemEnabled(index)) return;
  SetChecked(index, !Checked(index));
  Fire(Event::ClickCheck);
}

void TCheckListBox::AfterInput(UINT msg, WPARAM wp, LPARAM lp) {
  EventArgs args;
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:  // the second press of a quick pair: a click like the first
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      args.x = short(LOWORD(lp));
      args.y = short(HIWORD(lp));
      Fire(Event::MouseDown, args);
      if (msg != WM_LBUTTONDOWN && msg != WM_LBUTTONDBLCLK) break;
      const LRESULT hit = SendMessageW(Handle(), LB_ITEMFROMPOINT, 0, lp);
      if (HIWORD(hit) == 0 && args.x < kBoxArea) ToggleByUser(LOWORD(hit));
      break;
    }
    case WM_KEYDOWN:
      args.key = int(wp);
      Fire(Event::KeyDown, args);
      break;
    case WM_KEYUP:
      args.key = int(wp);
      Fire(Event::KeyUp, args);
      break;
    case WM_CHAR:
      if (wp == L' ') ToggleByUser(ItemIndex());
      break;
  }
}

void TCheckListBox::DrawItem(const DRAWITEMSTRUCT& item) {
  if (int(item.itemID) < 0) return;
  HDC dc = item.hDC;
  const int index = int(item.itemID);
  const bool enabled = ItemEnabled(index) && Enabled();
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  RECT row = item.rcItem;
  FillRect(dc, &row, GetSysColorBrush(COLOR_WINDOW));

  const int boxTop = row.top + (row.bottom - row.top - kBoxSize) / 2;
  RECT box = {row.left + kBoxMargin, boxTop, row.left + kBoxMargin + kBoxSize, boxTop + kBoxSize};
  UINT state = DFCS_BUTTONCHECK;
  if (Checked(index)) state |= DFCS_CHECKED;
  if (!enabled) state |= DFCS_INACTIVE;
  DrawFrameControl(dc, &box, DFC_BUTTON, state);

  wchar_t text[256] = {};
  SendMessageW(Handle(), LB_GETTEXT, WPARAM(index), reinterpret_cast<LPARAM>(text));
  RECT textRect = row;
  textRect.left += kBoxArea + 1;
  if (selected) FillRect(dc, &textRect, GetSysColorBrush(COLOR_HIGHLIGHT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(!enabled   ? COLOR_GRAYTEXT
                               : selected ? COLOR_HIGHLIGHTTEXT
                                          : COLOR_WINDOWTEXT));
  RECT inner = textRect;
  inner.left += 2;
  DrawTextW(dc, text, -1, &inner, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &textRect);
}

}  // namespace toolkit
