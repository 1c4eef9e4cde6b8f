// The application object: title, modal loops, message processing, the active
// window. Termination is final for a process, so it has its own test program.
#include "Application.h"

#include "DialogDriver.h"
#include "Handles.h"
#include "Utf.h"

#include <gtest/gtest.h>

namespace {

using toolkit::Application;
using toolkit::WindowHandle;

WindowHandle CreateTopLevel(const wchar_t* caption, DWORD style = WS_OVERLAPPEDWINDOW) {
  return WindowHandle(CreateWindowExW(0, L"STATIC", caption, style, 20, 20, 240, 120, nullptr,
                                      nullptr, GetModuleHandleW(nullptr), nullptr));
}

TEST(Application, TitleIsTheOwnerWindowText) {
  Application& app = Application::Instance();
  app.SetTitle("Установка Карты Тальмирской области 2.0");
  app.Initialize();
  ASSERT_NE(app.Handle(), nullptr);
  EXPECT_EQ(dialogdriver::WindowText(app.Handle()), "Установка Карты Тальмирской области 2.0");
  app.SetTitle("Другой заголовок");
  EXPECT_EQ(dialogdriver::WindowText(app.Handle()), "Другой заголовок");
  EXPECT_EQ(app.Title(), "Другой заголовок");
  app.Initialize();  // a second call keeps the same window
  EXPECT_EQ(dialogdriver::WindowText(app.Handle()), "Другой заголовок");
}

TEST(Application, RunModalEndsWithTheResultAndRestoresTheOtherWindows) {
  Application& app = Application::Instance();
  WindowHandle other = CreateTopLevel(L"Мастер", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  WindowHandle modal = CreateTopLevel(L"Модальное окно");
  ASSERT_TRUE(other && modal);
  bool otherEnabled = true, modalEnabled = false;
  std::thread helper([&] {
    HWND found = dialogdriver::WaitForWindow("Модальное окно");
    otherEnabled = IsWindowEnabled(other.get()) != FALSE;
    modalEnabled = found && IsWindowEnabled(found);
    // Set from outside the loop's thread: the loop must still wake up.
    SendMessageTimeoutW(found ? found : modal.get(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000,
                        nullptr);
    Application::SetModalResult(modal.get(), 7);
  });
  const int result = app.RunModal(modal.get());
  helper.join();
  EXPECT_EQ(result, 7);
  EXPECT_FALSE(otherEnabled);
  EXPECT_TRUE(modalEnabled);
  EXPECT_TRUE(IsWindowEnabled(other.get()));
  EXPECT_TRUE(IsWindow(modal.get()));
  EXPECT_FALSE(IsWindowVisible(modal.get()));
  EXPECT_EQ(Application::ModalResult(modal.get()), toolkit::kModalNone);
}

TEST(Application, RunModalOfADestroyedWindowAnswersCancel) {
  WindowHandle modal = CreateTopLevel(L"Исчезающее окно");
  std::thread helper([&] {
    HWND found = dialogdriver::WaitForWindow("Исчезающее окно");
    if (found) PostMessageW(found, WM_CLOSE, 0, 0);  // a plain window is destroyed by WM_CLOSE
  });
  EXPECT_EQ(Application::Instance().RunModal(modal.get()), toolkit::kModalCancel);
  helper.join();
  EXPECT_FALSE(IsWindow(modal.get()));
}

TEST(Application, ProcessMessagesDispatchesWhatIsPending) {
  WindowHandle window = CreateTopLevel(L"Окно");
  SetWindowTextW(window.get(), L"до");
  // WM_SETTEXT cannot be posted; a posted WM_CLOSE destroys a plain window.
  PostMessageW(window.get(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(window.get()));
  Application::Instance().ProcessMessages();
  EXPECT_FALSE(IsWindow(window.get()));
  EXPECT_FALSE(Application::Instance().Terminated());
}

TEST(Application, ActiveWindowIsTheModalWindowWhileItRuns) {
  Application& app = Application::Instance();
  WindowHandle modal = CreateTopLevel(L"Активное окно");
  HWND activeDuring = nullptr;
  std::thread helper([&] {
    HWND found = dialogdriver::WaitForWindow("Активное окно");
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(modal.get(), nullptr), &info);
    activeDuring = info.hwndActive;
    (void)found;
    Application::SetModalResult(modal.get(), 1);
  });
  app.RunModal(modal.get());
  helper.join();
  EXPECT_EQ(activeDuring, modal.get());
}

}  // namespace
