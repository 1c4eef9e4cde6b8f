// The wizard of a running Setup.exe as a user sees it, read and worked from
// outside its process: the visible page, the labels, the three buttons, the
// check list, the setup type and the summary list. Controls are found the way
// a screen reader finds them: by class, by window text and by position.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

constexpr DWORD kWaitMs = 15000;

// Polls `done` until it holds or `timeoutMs` passes; true when it held.
template <typename Predicate>
bool WaitUntil(Predicate done, DWORD timeoutMs = kWaitMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (!done()) {
    if (GetTickCount64() >= deadline) return false;
    Sleep(20);
  }
  return true;
}

struct ButtonState {
  std::string caption;
  bool shown = false;
  bool enabled = false;
  bool isDefault = false;
  bool focused = false;
};

struct CheckItem {
  bool checked;
  bool disabled;
  bool operator==(const CheckItem& o) const {
    return checked == o.checked && disabled == o.disabled;
  }
};

class WizardView {
 public:
  explicit WizardView(HWND wizard) : wizard_(wizard) {}

  HWND Handle() const { return wizard_; }
  std::string Caption() const;
  // The name of the page that shows ("" while none does).
  std::string CurrentPage() const;
  HWND Page(const std::string& name) const;
  bool WaitForPage(const std::string& name) const;

  // Back, Next, Cancel: the wizard's own buttons, left to right.
  ButtonState Button(int index) const;
  HWND ButtonHandle(int index) const;
  // Presses a button without waiting for what it starts (a modal question).
  void Press(int index) const;
  // The control that holds the keyboard focus in the wizard's thread.
  HWND Focus() const;

  // The label with this text inside `container` (any depth), or nullptr.
  HWND Label(HWND container, const std::string& text) const;
  // The label whose top-left corner is at (x, y) of `container`, or nullptr.
  HWND LabelAt(HWND container, int x, int y) const;
  // Position of a control inside `container`.
  POINT PositionIn(HWND control, HWND container) const;
  // The container (group box or page) whose caption is `text`.
  HWND Container(const std::string& text) const;

  HWND CheckList() const;
  std::vector<CheckItem> CheckItems() const;
  int CheckListHighlight() const;
  // A left click at (x, y) of the check list's client area, with the mouse.
  void ClickCheckList(int x, int y) const;

  HWND ComboBox() const;
  int SetupType() const;
  std::string SetupTypeText() const;
  // The user picks a setup type from the drop-down list.
  void ChooseSetupType(int index) const;

  HWND ComponentList() const;
  std::vector<std::string> ComponentListItems() const;
  int ComponentListSelection() const;

 private:
  HWND FindChild(HWND parent, const char* className) const;

  HWND wizard_;
};

// The top-level windows of the program's class in process `pid`: the
// backdrop (no caption) and the wizard (its caption).
HWND FindProgramWindow(DWORD pid, const std::string& caption, DWORD timeoutMs = kWaitMs);

// A left click at a point of a window's client area with the real mouse.
void ClickWithMouse(HWND window, int x, int y);

// A key pressed and released on the real keyboard, with `held` (VK_SHIFT,
// VK_MENU) held down around it when given: it reaches whatever window of the
// active program holds the focus, as a user's key does.
void PressOnKeyboard(WORD key, WORD held = 0);

}  // namespace e2e
