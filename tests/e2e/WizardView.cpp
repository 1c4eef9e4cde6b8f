#include "WizardView.h"

#include <algorithm>

#include "DialogDriver.h"
#include "Utf.h"

namespace e2e {

namespace {

using dialogdriver::ClassName;
using dialogdriver::WindowText;

constexpr UINT kSendTimeoutMs = 2000;
constexpr char kContainerClass[] = "TalmirContainer";
constexpr char kLabelClass[] = "TalmirLabel";

LRESULT Ask(HWND window, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, msg, wp, lp, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result))
    return -1;
  return LRESULT(result);
}

std::vector<HWND> DirectChildren(HWND parent, const char* className) {
  std::vector<HWND> result;
  for (HWND child : dialogdriver::Children(parent)) {
    if (GetParent(child) == parent &&
        lstrcmpiW(toolkit::Widen(ClassName(child)).c_str(), toolkit::Widen(className).c_str()) == 0)
      result.push_back(child);
  }
  return result;
}

bool IsClass(HWND window, const char* className) {
  return lstrcmpiW(toolkit::Widen(ClassName(window)).c_str(), toolkit::Widen(className).c_str()) ==
         0;
}

}  // namespace

std::string WizardView::Caption() const { return WindowText(wizard_); }

HWND WizardView::FindChild(HWND parent, const char* className) const {
  for (HWND child : dialogdriver::Children(parent)) {
    if (IsClass(child, className)) return child;
  }
  return nullptr;
}

HWND WizardView::Page(const std::string& name) const {
  for (HWND notebook : DirectChildren(wizard_, kContainerClass)) {
    for (HWND page : DirectChildren(notebook, kContainerClass)) {
      if (WindowText(page) == name) return page;
    }
  }
  return nullptr;
}

std::string WizardView::CurrentPage() const {
  for (HWND notebook : DirectChildren(wizard_, kContainerClass)) {
    for (HWND page : DirectChildren(notebook, kContainerClass)) {
      if (IsWindowVisible(page)) return WindowText(page);
    }
  }
  return std::string();
}

bool WizardView::WaitForPage(const std::string& name) const {
  return WaitUntil([&] { return CurrentPage() == name; });
}

HWND WizardView::ButtonHandle(int index) const {
  std::vector<HWND> buttons = DirectChildren(wizard_, "Button");
  std::sort(buttons.begin(), buttons.end(), [](HWND a, HWND b) {
    RECT ra, rb;
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    return ra.left < rb.left;
  });
  return index < int(buttons.size()) ? buttons[size_t(index)] : nullptr;
}

HWND WizardView::Focus() const {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(wizard_, nullptr), &info);
  return info.hwndFocus;
}

ButtonState WizardView::Button(int index) const {
  ButtonState state;
  HWND button = ButtonHandle(index);
  if (!button) return state;
  state.caption = WindowText(button);
  state.shown = IsWindowVisible(button);
  state.enabled = IsWindowEnabled(button);
  state.isDefault = (GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
  state.focused = Focus() == button;
  return state;
}

void WizardView::Press(int index) const { PostMessageW(ButtonHandle(index), BM_CLICK, 0, 0); }

HWND WizardView::Label(HWND container, const std::string& text) const {
  for (HWND child : dialogdriver::Children(container)) {
    if (IsClass(child, kLabelClass) && WindowText(child) == text) return child;
  }
  return nullptr;
}

POINT WizardView::PositionIn(HWND control, HWND container) const {
  RECT rect;
  GetWindowRect(control, &rect);
  POINT origin = {0, 0};
  ClientToScreen(container, &origin);
  return {rect.left - origin.x, rect.top - origin.y};
}

// Labels may share a place when only one of them shows: the one that shows.
HWND WizardView::LabelAt(HWND container, int x, int y) const {
  HWND found = nullptr;
  for (HWND child : dialogdriver::Children(container)) {
    if (GetParent(child) != container || !IsClass(child, kLabelClass)) continue;
    const POINT at = PositionIn(child, container);
    if (at.x != x || at.y != y) continue;
    if (IsWindowVisible(child)) return child;
    found = child;
  }
  return found;
}

HWND WizardView::Container(const std::string& text) const {
  for (HWND child : dialogdriver::Children(wizard_)) {
    if (IsClass(child, kContainerClass) && WindowText(child) == text) return child;
  }
  return nullptr;
}

HWND WizardView::CheckList() const {
  for (HWND child : dialogdriver::Children(Page("SelectDirectory"))) {
    if (IsClass(child, "ListBox")) return child;
  }
  return nullptr;
}

std::vector<CheckItem> WizardView::CheckItems() const {
  std::vector<CheckItem> items;
  HWND list = CheckList();
  const LRESULT count = Ask(list, LB_GETCOUNT);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT data = Ask(list, LB_GETITEMDATA, WPARAM(i));
    items.push_back({(data & 1) != 0, (data & 2) != 0});
  }
  return items;
}

int WizardView::CheckListHighlight() const { return int(Ask(CheckList(), LB_GETCURSEL)); }

void WizardView::ClickCheckList(int x, int y) const { ClickWithMouse(CheckList(), x, y); }

HWND WizardView::ComboBox() const { return FindChild(Page("SelectDirectory"), "ComboBox"); }

int WizardView::SetupType() const { return int(Ask(ComboBox(), CB_GETCURSEL)); }

std::string WizardView::SetupTypeText() const { return WindowText(ComboBox()); }

void WizardView::ChooseSetupType(int index) const {
  HWND combo = ComboBox();
  Ask(combo, CB_SETCURSEL, WPARAM(index));
  const WPARAM command = MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE);
  Ask(GetParent(combo), WM_COMMAND, command, reinterpret_cast<LPARAM>(combo));
}

HWND WizardView::ComponentList() const { return FindChild(Page("StartCopyingFiles"), "ListBox"); }

std::vector<std::string> WizardView::ComponentListItems() const {
  std::vector<std::string> items;
  HWND list = ComponentList();
  const LRESULT count = Ask(list, LB_GETCOUNT);
  for (LRESULT i = 0; i < count; ++i) {
    // Cross-process the list copies the text into a buffer of our own.
    wchar_t text[256] = {};
    if (Ask(list, LB_GETTEXTLEN, WPARAM(i)) >= LRESULT(std::size(text))) continue;
    Ask(list, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
    items.push_back(toolkit::Narrow(text, size_t(lstrlenW(text))));
  }
  return items;
}

int WizardView::ComponentListSelection() const { return int(Ask(ComponentList(), LB_GETCURSEL)); }

HWND FindProgramWindow(DWORD pid, const std::string& caption, DWORD timeoutMs) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND window : dialogdriver::VisibleTopLevelWindows(pid)) {
          if (IsClass(window, kContainerClass) && WindowText(window) == caption) found = window;
        }
        return found != nullptr;
      },
      timeoutMs);
  return found;
}

void ClickWithMouse(HWND window, int x, int y) {
  POINT at = {x, y};
  ClientToScreen(window, &at);
  SetCursorPos(at.x, at.y);
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_MOUSE;
  input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, input, sizeof(INPUT));
}

void PressOnKeyboard(WORD key, WORD held) {
  INPUT input[4] = {};
  const WORD keys[4] = {held, key, key, held};
  for (int i = 0; i < 4; ++i) {
    input[i].type = INPUT_KEYBOARD;
    input[i].ki.wVk = keys[i];
    input[i].ki.wScan = WORD(MapVirtualKeyW(keys[i], MAPVK_VK_TO_VSC));
    input[i].ki.dwFlags = i < 2 ? 0 : KEYEVENTF_KEYUP;
  }
  SendInput(held ? 4 : 2, held ? input : input + 1, sizeof(INPUT));
}

}  // namespace e2e
