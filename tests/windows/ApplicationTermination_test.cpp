// A termination request ends every message loop at its first turn: the main
// loop, modal loops and the message dialog. The request is final for the
// process, so these cases run in order in a test program of their own.
#include "Application.h"
#include "LocalizedMessageDlg.h"

#include "DialogDriver.h"
#include "Handles.h"

#include <gtest/gtest.h>

namespace {

using toolkit::Application;

TEST(ApplicationTermination, EndsTheMainLoopAndEveryModalLoopAtTheirFirstTurn) {
  Application& app = Application::Instance();
  app.Initialize();
  EXPECT_FALSE(app.Terminated());
  app.Terminate();
  EXPECT_TRUE(app.Terminated());

  toolkit::WindowHandle modal(CreateWindowExW(0, L"STATIC", L"Окно", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                                              100, nullptr, nullptr, GetModuleHandleW(nullptr),
                                              nullptr));
  EXPECT_EQ(app.RunModal(modal.get()), toolkit::kModalCancel);
  EXPECT_FALSE(IsWindowVisible(modal.get()));

  // No one answers the dialog: it must not wait for the user.
  EXPECT_EQ(LocalizedMessageDlg("Текст", "Ошибка", dlg::kError, dlg::kAbort | dlg::kRetry),
            dlg::kResultCancel);
  EXPECT_TRUE(dialogdriver::FindTopLevelWindow("Ошибка") == nullptr);

  app.Run();  // returns at once
  app.ProcessMessages();
  EXPECT_TRUE(app.Terminated());
}

}  // namespace
