// The single application object of the GUI program: its title on the taskbar,
// its main form, the termination request and the message loops (the main one
// and the modal ones).
//
// Everything here runs on the one GUI thread. Windows are plain HWNDs, so any
// form or dialog, whoever builds it, can be run modally.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace toolkit {

// Modal result codes share their values with the message dialog's result codes
// (1 OK, 2 Cancel, 3 Abort, 4 Retry, ...). 0 means "no result yet".
constexpr int kModalNone = 0;
constexpr int kModalOK = 1;
constexpr int kModalCancel = 2;

// While it lives, the program's enabled top-level windows are disabled, as
// under a modal window of the program; then they are enabled again and the
// window that was active becomes active again. For the system's own dialogs,
// which disable only their owner.
class ModalScope {
 public:
  ModalScope();
  ~ModalScope();
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;

 private:
  HWND active_;
  std::vector<HWND> disabled_;
};

class Application {
 public:
  // The one instance; created on first use.
  static Application& Instance();

  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Creates the hidden owner window that carries the taskbar button (its
  // text is the Title). Forms should be created with Handle() as owner so that
  // the program shows one taskbar button. Safe to call more than once.
  void Initialize();

  // The hidden owner window (nullptr before Initialize()).
  HWND Handle() const { return handle_; }

  // Text of the taskbar button. May be set before or after Initialize().
  void SetTitle(const std::string& utf8Title);
  const std::string& Title() const { return title_; }

  // The main form: Run() ends when it is destroyed (as when termination is
  // requested). The application does not own it.
  void SetMainForm(HWND form) { mainForm_ = form; }
  HWND MainForm() const { return mainForm_; }

  // Requests the end of the program: sets the flag and posts WM_QUIT. Every
  // message loop (Run, RunModal) ends at its next turn once the flag is set;
  // a request made before a loop starts ends that loop at its first turn.
  void Terminate();
  bool Terminated() const { return terminated_; }

  // The main message loop: returns when termination has been requested (a
  // WM_QUIT from anywhere counts as a request) or the main form is gone.
  void Run();

  // Dispatches every message pending for this thread, then returns. A WM_QUIT
  // among them sets the termination flag.
  void ProcessMessages();

  // Shows `window` modally: disables the program's other enabled top-level
  // windows, shows and activates it, and runs messages until the window gets
  // a modal result (SetModalResult) or termination is requested. Then enables
  // the other windows again, hides `window` (it is not destroyed: the caller
  // owns it), reactivates the window that was active before and returns the
  // result; kModalCancel when the loop ended by a termination request or
  // because the window was destroyed. The window's modal result is reset to
  // kModalNone on entry.
  int RunModal(HWND window);

  // The modal result of a window, kept as a window property. A non-zero result
  // ends the RunModal loop running that window.
  static void SetModalResult(HWND window, int result);
  static int ModalResult(HWND window);

  // The application-wide cursor (the hourglass during long work): shown over
  // every window of the program while set; nullptr gives each window its own.
  void SetCursorOverride(HCURSOR cursor);
  HCURSOR CursorOverride() const { return cursorOverride_; }

  // The program's currently active top-level window (the modal dialog or form
  // the user works in), else the main form, else the owner window. Owner for
  // system UI such as the shell's progress window.
  HWND ActiveWindow() const;

 private:
  Application() = default;
  ~Application();

  // One turn of a loop: waits (a short while at most) for one message and
  // dispatches it. Returns false when a WM_QUIT arrived (the termination flag
  // is then set), true otherwise, also when nothing came.
  bool HandleMessage();
  void Dispatch(MSG& msg);

  static LRESULT CALLBACK OwnerWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  HWND handle_ = nullptr;
  HWND mainForm_ = nullptr;
  std::string title_;
  bool terminated_ = false;
  HCURSOR cursorOverride_ = nullptr;
};

}  // namespace toolkit
