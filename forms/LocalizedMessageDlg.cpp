#include "LocalizedMessageDlg.h"

#include "Application.h"
#include "Handles.h"
#include "SystemFont.h"
#include "Utf.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace {

using toolkit::FontHandle;

struct ButtonKind {
  unsigned bit;
  // The standard English caption: the button width is measured on it, so
  // that the dialogs keep the proportions users know from the system's own.
  const wchar_t* standardCaption;
  const char* caption;
  int result;
};

// In the order in which the buttons stand, left to right.
const ButtonKind kButtonKinds[] = {
    {dlg::kYes, L"&Yes", "Да", dlg::kResultYes},
    {dlg::kNo, L"&No", "Нет", dlg::kResultNo},
    {dlg::kOK, L"OK", "OK", dlg::kResultOK},
    {dlg::kCancel, L"Cancel", "Отмена", dlg::kResultCancel},
    {dlg::kAbort, L"&Abort", "Прервать", dlg::kResultAbort},
    {dlg::kRetry, L"&Retry", "Повтор", dlg::kResultRetry},
    {dlg::kIgnore, L"&Ignore", "Пропустить", dlg::kResultIgnore},
    {dlg::kAll, L"&All", "Все", dlg::kResultAll},
    {dlg::kNoToAll, L"N&o to All", "Нет для всех", dlg::kResultNoToAll},
    {dlg::kYesToAll, L"Yes to &All", "Да для всех", dlg::kResultYesToAll},
    {dlg::kHelp, L"&Help", "Справка", dlg::kResultNone},
};

// Button ids start above the dialog manager's IDOK/IDCANCEL, so that a
// WM_COMMAND with IDCANCEL always means the Escape key.
constexpr int kFirstButtonId = 100;
constexpr int kTextId = 50;
constexpr int kIconId = 51;
constexpr int kIconSize = 32;

const wchar_t* IconOf(int dlgType) {
  switch (dlgType) {
    case dlg::kWarning:
      return IDI_WARNING;
    case dlg::kError:
      return IDI_ERROR;
    case dlg::kInformation:
      return IDI_INFORMATION;
    case dlg::kConfirmation:
      return IDI_QUESTION;
    default:
      return nullptr;
  }
}

UINT SoundOf(int dlgType) {
  switch (dlgType) {
    case dlg::kWarning:
      return 0;
    case dlg::kError:
      return MB_ICONHAND;
    default:
      return MB_ICONASTERISK;
  }
}

// Every line break as CR LF: a lone carriage return (the callers' way of
// starting a new line) or a lone line feed.
std::wstring WithLineBreaks(const std::wstring& text) {
  std::wstring result;
  result.reserve(text.size() + 8);
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c == L'\r' || c == L'\n') {
      result += L"\r\n";
      if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    } else {
      result += c;
    }
  }
  return result;
}

// Dialog base units of a font: horizontal metrics are in quarters of the
// average character width, vertical ones in eighths of the character height.
struct DialogUnits {
  int x;
  int y;
  int Horizontal(int units) const { return MulDiv(units, x, 4); }
  int Vertical(int units) const { return MulDiv(units, y, 8); }
};

DialogUnits UnitsOf(HDC dc) {
  static const wchar_t kAlphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  SIZE size = {};
  GetTextExtentPoint32W(dc, kAlphabet, 52, &size);
  TEXTMETRICW tm = {};
  GetTextMetricsW(dc, &tm);
  return DialogUnits{(size.cx / 26 + 1) / 2, tm.tmHeight};
}

struct Layout {
  int clientWidth;
  int clientHeight;
  RECT icon;
  RECT text;
  int buttonsLeft;
  int buttonsTop;
  int buttonWidth;
  int buttonHeight;
  int buttonSpacing;
};

class MessageDialog {
 public:
  MessageDialog(const std::string& text, int dlgType, unsigned buttons);
  int Show(const std::string& caption);

 private:
  static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  INT_PTR Handle(UINT msg, WPARAM wp, LPARAM lp);
  void Build();
  Layout Measure() const;
  HWND AddControl(const wchar_t* cls, const std::wstring& text, DWORD style, const RECT& r, int id);
  void OnCommand(int id);
  void Finish(int result) { toolkit::Application::SetModalResult(dialog_, result); }

  std::wstring text_;
  const wchar_t* icon_;
  std::vector<const ButtonKind*> kinds_;
  int defaultIndex_ = -1;
  int cancelIndex_ = -1;
  FontHandle font_;
  HWND dialog_ = nullptr;
  HWND focus_ = nullptr;
};

int IndexOf(const std::vector<const ButtonKind*>& kinds, unsigned bit) {
  for (size_t i = 0; i < kinds.size(); ++i) {
    if (kinds[i]->bit == bit) return static_cast<int>(i);
  }
  return -1;
}

int FirstPresent(const std::vector<const ButtonKind*>& kinds,
                 std::initializer_list<unsigned> bits) {
  for (unsigned bit : bits) {
    const int index = IndexOf(kinds, bit);
    if (index >= 0) return index;
  }
  return -1;
}

MessageDialog::MessageDialog(const std::string& text, int dlgType, unsigned buttons)
    : text_(WithLineBreaks(toolkit::Widen(text))),
      icon_(IconOf(dlgType)),
      font_(toolkit::CreateMessageFont()) {
  for (const ButtonKind& kind : kButtonKinds) {
    if (buttons & kind.bit) kinds_.push_back(&kind);
  }
  defaultIndex_ = FirstPresent(kinds_, {dlg::kOK, dlg::kYes, dlg::kRetry});
  cancelIndex_ = FirstPresent(kinds_, {dlg::kCancel, dlg::kNo, dlg::kOK});
}

Layout MessageDialog::Measure() const {
  toolkit::MeasuringContext measure(font_.get());
  const DialogUnits units = UnitsOf(measure.Get());
  Layout layout = {};
  const int margin = units.Horizontal(8), marginY = units.Vertical(8);
  const int iconWidth = icon_ ? kIconSize + units.Horizontal(10) : 0;

  RECT text = {0, 0, GetSystemMetrics(SM_CXSCREEN) / 2, 0};
  DrawTextW(measure.Get(), text_.c_str(), -1, &text,
            DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS | DT_LEFT);
  const int textWidth = text.right - text.left, textHeight = text.bottom - text.top;

  layout.buttonWidth = units.Horizontal(50);
  for (const ButtonKind* kind : kinds_) {
    RECT r = {0, 0, 0, 0};
    DrawTextW(measure.Get(), kind->standardCaption, -1, &r, DT_CALCRECT | DT_SINGLELINE);
    layout.buttonWidth = std::max(layout.buttonWidth, static_cast<int>(r.right - r.left) + 8);
  }
  layout.buttonHeight = units.Vertical(14);
  layout.buttonSpacing = units.Horizontal(4);
  const int count = static_cast<int>(kinds_.size());
  const int rowWidth = count * layout.buttonWidth + std::max(count - 1, 0) * layout.buttonSpacing;

  const int topHeight = std::max(textHeight, icon_ ? kIconSize : 0);
  layout.clientWidth = std::max(iconWidth + textWidth, rowWidth) + 2 * margin;
  layout.clientHeight = topHeight + units.Vertical(10) + layout.buttonHeight + 2 * marginY;
  layout.icon = RECT{margin, marginY, margin + kIconSize, marginY + kIconSize};
  layout.text =
      RECT{margin + iconWidth, marginY, margin + iconWidth + textWidth, marginY + textHeight};
  layout.buttonsLeft = (layout.clientWidth - rowWidth) / 2;
  layout.buttonsTop = marginY + topHeight + units.Vertical(10);
  return layout;
}

HWND MessageDialog::AddControl(const wchar_t* cls, const std::wstring& text, DWORD style,
                               const RECT& r, int id) {
  HWND control = CreateWindowExW(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                                 r.right - r.left, r.bottom - r.top, dialog_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  return control;
}

void MessageDialog::Build() {
  SendMessageW(dialog_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  const Layout layout = Measure();
  if (icon_) {
    HWND icon = AddControl(L"STATIC", L"", SS_ICON, layout.icon, kIconId);
    HANDLE image = LoadImageW(nullptr, icon_, IMAGE_ICON, kIconSize, kIconSize, LR_SHARED);
    SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(image), 0);
  }
  AddControl(L"STATIC", text_, SS_LEFT | SS_NOPREFIX, layout.text, kTextId);
  for (size_t i = 0; i < kinds_.size(); ++i) {
    const int left =
        layout.buttonsLeft + static_cast<int>(i) * (layout.buttonWidth + layout.buttonSpacing);
    const RECT r = {left, layout.buttonsTop, left + layout.buttonWidth,
                    layout.buttonsTop + layout.buttonHeight};
    const bool isDefault = static_cast<int>(i) == defaultIndex_;
    HWND button = AddControl(L"BUTTON", toolkit::Widen(kinds_[i]->caption),
                             WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), r,
                             kFirstButtonId + static_cast<int>(i));
    if (isDefault || !focus_) focus_ = button;
  }
  if (defaultIndex_ >= 0) SendMessageW(dialog_, DM_SETDEFID, kFirstButtonId + defaultIndex_, 0);

  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(dialog_, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(dialog_, GWL_EXSTYLE));
  RECT frame = {0, 0, layout.clientWidth, layout.clientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  SetWindowPos(dialog_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void MessageDialog::OnCommand(int id) {
  if (id == IDCANCEL) {  // Escape
    if (cancelIndex_ >= 0) Finish(kinds_[static_cast<size_t>(cancelIndex_)]->result);
    return;
  }
  const int index = id - kFirstButtonId;
  if (index < 0 || index >= static_cast<int>(kinds_.size())) return;
  // Help answers no code and leaves the dialog open; the program has no help
  // file to open.
  const int result = kinds_[static_cast<size_t>(index)]->result;
  if (result != dlg::kResultNone) Finish(result);
}

INT_PTR MessageDialog::Handle(UINT msg, WPARAM wp, LPARAM) {
  switch (msg) {
    case WM_COMMAND:
      if (HIWORD(wp) == BN_CLICKED) OnCommand(LOWORD(wp));
      return TRUE;
    case WM_CLOSE:
      Finish(dlg::kResultCancel);
      return TRUE;
    case WM_ACTIVATE:
      // Focus goes back to the button that had it (at first the default one),
      // so that Enter presses the default button.
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(dialog_, focus)) focus_ = focus;
      } else if (focus_) {
        SetFocus(focus_);
      }
      return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK MessageDialog::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    auto* self = reinterpret_cast<MessageDialog*>(lp);
    SetWindowLongPtrW(hwnd, DWLP_USER, lp);
    self->dialog_ = hwnd;
    self->Build();
    return FALSE;  // the focus is set on activation
  }
  auto* self = reinterpret_cast<MessageDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  return self ? self->Handle(msg, wp, lp) : FALSE;
}

// A dialog template without controls: they are created at WM_INITDIALOG, sized
// by the text and the system's message font.
struct alignas(4) EmptyDialogTemplate {
  DLGTEMPLATE header;
  WORD menu;
  WORD windowClass;
  WORD title;
};

int MessageDialog::Show(const std::string& caption) {
  EmptyDialogTemplate tpl = {};
  tpl.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  toolkit::Application& app = toolkit::Application::Instance();
  toolkit::WindowHandle dialog(CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &tpl.header,
                                                          app.ActiveWindow(), Proc,
                                                          reinterpret_cast<LPARAM>(this)));
  if (!dialog) return dlg::kResultCancel;
  SetWindowTextW(dialog.get(), toolkit::Widen(caption).c_str());
  return app.RunModal(dialog.get());
}

}  // namespace

int LocalizedMessageDlg(const std::string& text, const std::string& caption, int dlgType,
                        unsigned buttons) {
  MessageDialog dialog(text, dlgType, buttons);
  MessageBeep(SoundOf(dlgType));
  return dialog.Show(caption);
}
