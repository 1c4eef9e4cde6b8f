#include "Application.h"

#include "Container.h"
#include "Utf.h"

#include <commctrl.h>

#include <vector>

namespace toolkit {

namespace {

const wchar_t kOwnerClassName[] = L"TalmirSetupApplication";
const wchar_t kModalResultProperty[] = L"TalmirSetupModalResult";
constexpr DWORD kIdleCheckMs = 100;

// Keyboard navigation (Tab, Enter, Escape) belongs to dialogs and to windows
// that declare themselves control parents; other windows get their keys as is,
// so that Enter in a plain form never turns into a stray IDOK command.
bool WantsDialogKeys(HWND root) {
  if (GetWindowLongPtrW(root, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) return true;
  wchar_t className[16] = {};
  GetClassNameW(root, className, 16);
  return lstrcmpW(className, L"#32770") == 0;
}

struct DisableContext {
  HWND keep;
  std::vector<HWND>* disabled;
};

BOOL CALLBACK DisableWindow(HWND hwnd, LPARAM lp) {
  auto* context = reinterpret_cast<DisableContext*>(lp);
  if (hwnd != context->keep && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
    // A window disabled with the focus inside loses it: a form keeps note of
    // the control first, to give it the focus back when it is active again.
    auto* form = dynamic_cast<TContainer*>(TWinControl::FromHandle(hwnd));
    if (form && !form->Parent()) form->RememberFocus();
    EnableWindow(hwnd, FALSE);
    context->disabled->push_back(hwnd);
  }
  return TRUE;
}

// Disables the visible, enabled top-level windows of this thread except
// `keep`; returns them so that exactly these are enabled again.
std::vector<HWND> DisableOtherWindows(HWND keep) {
  std::vector<HWND> disabled;
  DisableContext context{keep, &disabled};
  EnumThreadWindows(GetCurrentThreadId(), DisableWindow, reinterpret_cast<LPARAM>(&context));
  return disabled;
}

void EnableWindows(const std::vector<HWND>& windows) {
  for (HWND hwnd : windows) {
    if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
  }
}

}  // namespace

ModalScope::ModalScope() : active_(GetActiveWindow()), disabled_(DisableOtherWindows(nullptr)) {}

ModalScope::~ModalScope() {
  EnableWindows(disabled_);
  if (active_ && IsWindow(active_)) SetActiveWindow(active_);
}

Application& Application::Instance() {
  static Application instance;
  return instance;
}

Application::~Application() {
  if (handle_ && IsWindow(handle_)) DestroyWindow(handle_);
}

void Application::Initialize() {
  if (handle_) return;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  HINSTANCE module = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = OwnerWindowProc;
  wc.hInstance = module;
  wc.hIcon = LoadIconW(module, MAKEINTRESOURCEW(1));
  wc.lpszClassName = kOwnerClassName;
  RegisterClassExW(&wc);
  // A visible window of no size: it carries the taskbar button and owns the
  // forms, which therefore have none of their own.
  const int x = GetSystemMetrics(SM_CXSCREEN) / 2;
  const int y = GetSystemMetrics(SM_CYSCREEN) / 2;
  handle_ = CreateWindowExW(0, kOwnerClassName, Widen(title_).c_str(),
                            WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, x, y, 0, 0,
                            nullptr, nullptr, module, nullptr);
  if (handle_) ShowWindow(handle_, SW_SHOWNOACTIVATE);
}

void Application::SetTitle(const std::string& utf8Title) {
  title_ = utf8Title;
  if (handle_) SetWindowTextW(handle_, Widen(title_).c_str());
}

void Application::Terminate() {
  terminated_ = true;
  PostQuitMessage(0);
}

void Application::Dispatch(MSG& msg) {
  if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST && msg.hwnd) {
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    if (root && WantsDialogKeys(root) && IsDialogMessageW(root, &msg)) return;
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

bool Application::HandleMessage() {
  MSG msg;
  if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    // Wake at least now and then: some ends of a loop (a window destroyed, a
    // result set while a sent message was handled) post nothing to wake it.
    MsgWaitForMultipleObjectsEx(0, nullptr, kIdleCheckMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return true;
  }
  if (msg.message == WM_QUIT) {
    terminated_ = true;
    return false;
  }
  Dispatch(msg);
  return true;
}

void Application::Run() {
  while (!terminated_) {
    if (mainForm_ && !IsWindow(mainForm_)) {
      Terminate();
      break;
    }
    if (!HandleMessage()) break;
  }
}

void Application::ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      terminated_ = true;
      return;
    }
    Dispatch(msg);
  }
}

int Application::RunModal(HWND window) {
  SetModalResult(window, kModalNone);
  HWND previous = GetActiveWindow();
  const std::vector<HWND> disabled = DisableOtherWindows(window);
  ShowWindow(window, SW_SHOW);
  SetActiveWindow(window);
  int result = kModalNone;
  for (;;) {
    if (terminated_ || !IsWindow(window)) {
      result = kModalCancel;
      break;
    }
    result = ModalResult(window);
    if (result != kModalNone) break;
    if (!HandleMessage()) {
      result = kModalCancel;
      break;
    }
  }
  // Enable the others before hiding, so that activation has somewhere to go.
  EnableWindows(disabled);
  if (IsWindow(window)) {
    RemovePropW(window, kModalResultProperty);
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (previous && previous != window && IsWindow(previous)) SetActiveWindow(previous);
  return result;
}

void Application::SetModalResult(HWND window, int result) {
  SetPropW(window, kModalResultProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(result)));
  // Wake the modal loop at once (a result set while a message sent from
  // another thread is handled posts nothing). Windows ignore the message.
  static const UINT wake = RegisterWindowMessageW(L"TalmirSetupModalWake");
  if (result != kModalNone) PostMessageW(window, wake, 0, 0);
}

int Application::ModalResult(HWND window) {
  return static_cast<int>(reinterpret_cast<INT_PTR>(GetPropW(window, kModalResultProperty)));
}

void Application::SetCursorOverride(HCURSOR cursor) {
  cursorOverride_ = cursor;
  // Show it now: the thread may not look at its messages for a while.
  if (cursor) {
    SetCursor(cursor);
  } else {
    POINT at;
    GetCursorPos(&at);
    SetCursorPos(at.x, at.y);  // a mouse move makes the window under it set its own
  }
}

HWND Application::ActiveWindow() const {
  HWND active = GetActiveWindow();
  if (active && active != handle_) return active;
  if (mainForm_ && IsWindow(mainForm_)) return mainForm_;
  return handle_;
}

LRESULT CALLBACK Application::OwnerWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Application& app = Instance();
  switch (msg) {
    case WM_ACTIVATE:
      // The owner window is only a taskbar button: pass activation on to the
      // window the user last worked in.
      if (LOWORD(wp) != WA_INACTIVE) {
        HWND popup = GetLastActivePopup(hwnd);
        if (popup && popup != hwnd && IsWindowVisible(popup) && IsWindowEnabled(popup)) {
          SetActiveWindow(popup);
        }
      }
      return 0;
    case WM_CLOSE:
      if (app.mainForm_ && IsWindow(app.mainForm_)) PostMessageW(app.mainForm_, WM_CLOSE, 0, 0);
      return 0;
    case WM_NCDESTROY:
      if (app.handle_ == hwnd) app.handle_ = nullptr;
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace toolkit
