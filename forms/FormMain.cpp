#include "FormMain.h"

#include "Application.h"
#include "Utf.h"

TMainForm* MainForm = nullptr;

namespace {

constexpr wchar_t kClassName[] = L"TMainForm";

void RegisterWindowClass(WNDPROC proc) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, kClassName, &existing)) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  RegisterClassExW(&wc);
}

}  // namespace

TMainForm::TMainForm() {
  RegisterWindowClass(&TMainForm::WindowProc);
  toolkit::Application& app = toolkit::Application::Instance();
  const std::wstring title = toolkit::Widen(app.Title());
  handle_.reset(CreateWindowExW(0, kClassName, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 640, 480, app.Handle(), nullptr,
                                GetModuleHandleW(nullptr), nullptr));
  app.SetMainForm(handle_.get());
  MainForm = this;
}

TMainForm::~TMainForm() {
  if (MainForm == this) MainForm = nullptr;
}

void TMainForm::Show() {
  ShowWindow(handle_.get(), SW_SHOW);
  UpdateWindow(handle_.get());
}

LRESULT CALLBACK TMainForm::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  // Closing the main form ends the program.
  if (msg == WM_DESTROY) toolkit::Application::Instance().Terminate();
  return DefWindowProcW(hwnd, msg, wp, lp);
}
