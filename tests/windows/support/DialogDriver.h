// Operates dialogs and windows from outside, as a user would: finds top-level
// windows by caption, presses buttons by caption (BM_CLICK), sends keys and
// the close box, and reads a dialog's layout facts. Works on the windows of
// this process (tests that run the dialog on their main thread and answer it
// from a helper thread) or of another process (the end-to-end driver).
//
// Every wait has a timeout and every message to the window's thread is sent
// with a timeout, so a driver never hangs on a window that does not respond.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace dialogdriver {

constexpr DWORD kDefaultTimeoutMs = 10000;

// A visible top-level window of process `pid` whose caption is `caption`
// (UTF-8), or nullptr.
HWND FindTopLevelWindow(const std::string& caption, DWORD pid = GetCurrentProcessId());

// Waits until such a window is visible and holds the keyboard focus (so that
// it is ready for keys); nullptr after `timeoutMs`.
HWND WaitForWindow(const std::string& caption, DWORD timeoutMs = kDefaultTimeoutMs,
                   DWORD pid = GetCurrentProcessId());

// Waits until `window` is destroyed or hidden. False after `timeoutMs`.
bool WaitUntilGone(HWND window, DWORD timeoutMs = kDefaultTimeoutMs);

// The visible top-level windows of process `pid` (the owner window without
// size excluded).
std::vector<HWND> VisibleTopLevelWindows(DWORD pid = GetCurrentProcessId());

// Every child window of `parent`, at any depth.
std::vector<HWND> Children(HWND parent);

std::string WindowText(HWND window);
std::string ClassName(HWND window);

// The child control of `parent` (any depth) with class `className` (e.g.
// "Button", case-insensitive) and text `text`, or nullptr.
HWND FindControl(HWND parent, const std::string& className, const std::string& text);

// Presses the button captioned `caption` with BM_CLICK. False when there is no
// such button or its thread does not answer.
bool ClickButton(HWND window, const std::string& caption);

// Posts a key press (down and up) to the control that has the focus in the
// window's thread, as the keyboard would.
void PressKey(HWND window, UINT virtualKey);

// The title-bar close box.
void PressCloseBox(HWND window);

struct ButtonFacts {
  HWND hwnd;
  int id;
  std::string caption;
  RECT rect;          // screen coordinates
  bool defaultStyle;  // BS_DEFPUSHBUTTON
};

struct DialogFacts {
  std::string caption;
  RECT rect;                         // window, screen coordinates
  std::vector<ButtonFacts> buttons;  // left to right
  int defaultId = 0;                 // DM_GETDEFID, 0 when none
  bool hasIcon = false;
  std::string text;  // the message label's text
  // Lines the label shows (its height over its font's line height). Font
  // handles belong to their process: for another process's dialog this is 0.
  int textLines = 0;
  RECT textRect = {};
};

DialogFacts Inspect(HWND dialog);

// Answers the dialogs that the code under test shows on this thread, from a
// helper thread: each step waits for a dialog with its caption and acts on it;
// a step's dialog must close before the next step starts (a step that wants
// more than one action, such as Escape then the close box, does them all).
// Once the steps are done, any further dialog of the process is an error: it
// is closed with the close box and reported. Failures() lists what went wrong.
class DialogResponder {
 public:
  struct Step {
    std::string caption;
    std::function<void(HWND)> action;
  };

  explicit DialogResponder(std::vector<Step> steps, DWORD stepTimeoutMs = kDefaultTimeoutMs);
  ~DialogResponder();
  DialogResponder(const DialogResponder&) = delete;
  DialogResponder& operator=(const DialogResponder&) = delete;

  // Call when the code under test has returned: ends the helper thread.
  // Returns the failures (steps whose dialog did not come or did not close,
  // unexpected dialogs).
  std::vector<std::string> Finish();

 private:
  void Run();
  void Fail(const std::string& what);
  void CloseStrayDialogs();

  std::vector<Step> steps_;
  DWORD stepTimeoutMs_;
  std::atomic<bool> finished_{false};
  std::mutex mutex_;
  std::vector<std::string> failures_;
  std::thread thread_;
};

// Common actions for steps.
std::function<void(HWND)> Click(const std::string& caption);
std::function<void(HWND)> Key(UINT virtualKey);
std::function<void(HWND)> CloseBox();

}  // namespace dialogdriver
