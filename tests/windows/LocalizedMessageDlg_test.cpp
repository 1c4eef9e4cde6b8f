// The message dialog, shown on the test's thread and operated from a helper
// thread as the user would: buttons pressed by caption, Enter, Escape and the
// close box; and its layout read back from the window.
#include "LocalizedMessageDlg.h"

#include "DialogDriver.h"
#include "Handles.h"
#include "Utf.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using dialogdriver::CloseBox;
using dialogdriver::DialogFacts;
using dialogdriver::DialogResponder;
using dialogdriver::Key;
using testing::ElementsAre;
using testing::IsEmpty;

constexpr char kCaption[] = "Проверка диалога";

// Shows the dialog, lets `action` answer it, and returns the result; `facts`
// receives the dialog's layout as it stood when it was answered.
int ShowAndAnswer(const std::string& text, int type, unsigned buttons,
                  std::function<void(HWND)> action, DialogFacts* facts = nullptr) {
  DialogResponder responder({{kCaption, [&](HWND dialog) {
                                if (facts) *facts = dialogdriver::Inspect(dialog);
                                action(dialog);
                              }}});
  const int result = LocalizedMessageDlg(text, kCaption, type, buttons);
  EXPECT_THAT(responder.Finish(), IsEmpty());
  return result;
}

std::vector<std::string> CaptionsOf(const DialogFacts& facts) {
  std::vector<std::string> captions;
  for (const auto& button : facts.buttons) captions.push_back(button.caption);
  return captions;
}

int WidthOf(const RECT& r) { return r.right - r.left; }

// Presses Escape, checks that the dialog is still open a moment later, then
// closes it with the close box.
void EscapeThenCloseBox(HWND dialog, bool* stayedOpen) {
  dialogdriver::PressKey(dialog, VK_ESCAPE);
  Sleep(300);
  *stayedOpen = IsWindow(dialog) && IsWindowVisible(dialog);
  dialogdriver::PressCloseBox(dialog);
}

TEST(LocalizedMessageDlgConfirmation, YesNoShowsRussianCaptionsWithYesAsDefault) {
  DialogFacts facts;
  const int result = ShowAndAnswer("Прервать установку?", dlg::kConfirmation, dlg::kYes | dlg::kNo,
                                   Key(VK_RETURN), &facts);
  EXPECT_EQ(result, dlg::kResultYes);
  EXPECT_EQ(facts.caption, kCaption);
  EXPECT_THAT(CaptionsOf(facts), ElementsAre("Да", "Нет"));
  ASSERT_EQ(facts.buttons.size(), 2u);
  EXPECT_EQ(facts.defaultId, facts.buttons[0].id);
  EXPECT_TRUE(facts.buttons[0].defaultStyle);
  EXPECT_FALSE(facts.buttons[1].defaultStyle);
  EXPECT_TRUE(facts.hasIcon);
}

TEST(LocalizedMessageDlgConfirmation, EscapeAnswersNoAndCloseBoxAnswersCancel) {
  EXPECT_EQ(ShowAndAnswer("Выйти?", dlg::kConfirmation, dlg::kYes | dlg::kNo, Key(VK_ESCAPE)),
            dlg::kResultNo);
  EXPECT_EQ(ShowAndAnswer("Выйти?", dlg::kConfirmation, dlg::kYes | dlg::kNo, CloseBox()),
            dlg::kResultCancel);
  EXPECT_EQ(
      ShowAndAnswer("Выйти?", dlg::kConfirmation, dlg::kYes | dlg::kNo, dialogdriver::Click("Нет")),
      dlg::kResultNo);
}

TEST(LocalizedMessageDlgAbortRetry, ShowsAbortThenRetryWithRetryAsDefault) {
  DialogFacts facts;
  const int result = ShowAndAnswer("Не удается создать папку \rC:\\Нет", dlg::kError,
                                   dlg::kAbort | dlg::kRetry, Key(VK_RETURN), &facts);
  EXPECT_EQ(result, dlg::kResultRetry);
  EXPECT_THAT(CaptionsOf(facts), ElementsAre("Прервать", "Повтор"));
  ASSERT_EQ(facts.buttons.size(), 2u);
  EXPECT_EQ(facts.defaultId, facts.buttons[1].id);
  EXPECT_TRUE(facts.buttons[1].defaultStyle);
  EXPECT_FALSE(facts.buttons[0].defaultStyle);
  EXPECT_EQ(WidthOf(facts.buttons[0].rect), WidthOf(facts.buttons[1].rect));
}

TEST(LocalizedMessageDlgAbortRetry, EscapeDoesNothingAndCloseBoxAnswersCancel) {
  bool stayedOpen = false;
  const int result = ShowAndAnswer("Ошибка копирования", dlg::kError, dlg::kAbort | dlg::kRetry,
                                   [&](HWND dialog) { EscapeThenCloseBox(dialog, &stayedOpen); });
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(result, dlg::kResultCancel);
  EXPECT_EQ(ShowAndAnswer("Ошибка", dlg::kError, dlg::kAbort | dlg::kRetry,
                          dialogdriver::Click("Прервать")),
            dlg::kResultAbort);
}

TEST(LocalizedMessageDlgWarning, OkOnlyKeepsTheStandardCaptionAndAnswersEnterAndEscape) {
  DialogFacts facts;
  EXPECT_EQ(
      ShowAndAnswer("Недостаточно места на диске", dlg::kWarning, dlg::kOK, Key(VK_RETURN), &facts),
      dlg::kResultOK);
  EXPECT_THAT(CaptionsOf(facts), ElementsAre("OK"));
  EXPECT_TRUE(facts.hasIcon);
  ASSERT_EQ(facts.buttons.size(), 1u);
  EXPECT_EQ(facts.defaultId, facts.buttons[0].id);
  EXPECT_EQ(ShowAndAnswer("Недостаточно места", dlg::kWarning, dlg::kOK, Key(VK_ESCAPE)),
            dlg::kResultOK);
}

TEST(LocalizedMessageDlgText, TwoCarriageReturnsShowThreeLines) {
  DialogFacts facts;
  ShowAndAnswer("Первая\rвторая\rтретья", dlg::kInformation, dlg::kOK, Key(VK_RETURN), &facts);
  EXPECT_EQ(facts.textLines, 3);
  EXPECT_EQ(facts.text, "Первая\r\nвторая\r\nтретья");
}

TEST(LocalizedMessageDlgText, LongTextWrapsAtHalfTheScreenWidth) {
  std::string text;
  for (int i = 0; i < 60; ++i) text += "слово ";
  DialogFacts facts;
  ShowAndAnswer(text, dlg::kInformation, dlg::kOK, Key(VK_RETURN), &facts);
  EXPECT_GT(facts.textLines, 1);
  EXPECT_LE(WidthOf(facts.textRect), GetSystemMetrics(SM_CXSCREEN) / 2);
  EXPECT_GT(WidthOf(facts.textRect), GetSystemMetrics(SM_CXSCREEN) / 3);
}

TEST(LocalizedMessageDlgText, AmpersandsInPathsAreShownAsTheyAre) {
  DialogFacts facts;
  ShowAndAnswer("C:\\A&B\\файл", dlg::kCustom, dlg::kOK, Key(VK_RETURN), &facts);
  EXPECT_EQ(facts.text, "C:\\A&B\\файл");
  EXPECT_EQ(facts.textLines, 1);
  EXPECT_FALSE(facts.hasIcon);  // the custom type has none
}

TEST(LocalizedMessageDlgLayout, CentredOnTheScreenWithTheButtonRowCentred) {
  DialogFacts facts;
  ShowAndAnswer("Текст", dlg::kConfirmation, dlg::kYes | dlg::kNo | dlg::kCancel, Key(VK_RETURN),
                &facts);
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_NEAR(facts.rect.left + facts.rect.right, screenWidth, 2);
  EXPECT_NEAR(facts.rect.top + facts.rect.bottom, screenHeight, 2);
  ASSERT_EQ(facts.buttons.size(), 3u);
  const int rowLeft = facts.buttons.front().rect.left;
  const int rowRight = facts.buttons.back().rect.right;
  EXPECT_NEAR(rowLeft + rowRight, facts.rect.left + facts.rect.right, 3);
  EXPECT_EQ(facts.buttons[0].rect.top, facts.buttons[2].rect.top);
  EXPECT_GT(facts.buttons[0].rect.top, facts.textRect.bottom);
}

TEST(LocalizedMessageDlgLayout, AllButtonsStandInTableOrderWithEqualWidths) {
  DialogFacts facts;
  bool helpKeptItOpen = false;
  const int result = ShowAndAnswer("Все кнопки", dlg::kCustom, 0x7FF, [&](HWND dialog) {
    facts = dialogdriver::Inspect(dialog);
    dialogdriver::ClickButton(dialog, "Справка");
    Sleep(300);
    helpKeptItOpen = IsWindowVisible(dialog) != FALSE;
    dialogdriver::ClickButton(dialog, "Отмена");
  });
  EXPECT_TRUE(helpKeptItOpen);
  EXPECT_EQ(result, dlg::kResultCancel);
  EXPECT_THAT(CaptionsOf(facts),
              ElementsAre("Да", "Нет", "OK", "Отмена", "Прервать", "Повтор", "Пропустить", "Все",
                          "Нет для всех", "Да для всех", "Справка"));
  for (const auto& button : facts.buttons) {
    EXPECT_EQ(WidthOf(button.rect), WidthOf(facts.buttons[0].rect)) << button.caption;
  }
  // OK is the default; Cancel is what Escape would press.
  ASSERT_EQ(facts.buttons.size(), 11u);
  EXPECT_EQ(facts.defaultId, facts.buttons[2].id);
}

TEST(LocalizedMessageDlgLayout, ButtonsWidenForTheLongestStandardCaption) {
  DialogFacts plain, wide;
  ShowAndAnswer("Текст", dlg::kCustom, dlg::kOK, Key(VK_RETURN), &plain);
  ShowAndAnswer("Текст", dlg::kCustom, dlg::kOK | dlg::kNoToAll, Key(VK_RETURN), &wide);
  ASSERT_EQ(plain.buttons.size(), 1u);
  ASSERT_EQ(wide.buttons.size(), 2u);
  EXPECT_GE(WidthOf(wide.buttons[0].rect), WidthOf(plain.buttons[0].rect));
  EXPECT_EQ(WidthOf(wide.buttons[0].rect), WidthOf(wide.buttons[1].rect));
}

struct ButtonCase {
  unsigned bit;
  const char* caption;
  int result;
};

class LocalizedMessageDlgButton : public testing::TestWithParam<ButtonCase> {};

TEST_P(LocalizedMessageDlgButton, AnswersItsCode) {
  const ButtonCase& c = GetParam();
  // Cancel beside each button: the dialog can always be left by Escape.
  const int result = ShowAndAnswer("Кнопка", dlg::kInformation, c.bit | dlg::kCancel,
                                   dialogdriver::Click(c.caption));
  EXPECT_EQ(result, c.result);
}

INSTANTIATE_TEST_SUITE_P(
    EachButton, LocalizedMessageDlgButton,
    testing::Values(ButtonCase{dlg::kYes, "Да", 6}, ButtonCase{dlg::kNo, "Нет", 7},
                    ButtonCase{dlg::kOK, "OK", 1}, ButtonCase{dlg::kCancel, "Отмена", 2},
                    ButtonCase{dlg::kAbort, "Прервать", 3}, ButtonCase{dlg::kRetry, "Повтор", 4},
                    ButtonCase{dlg::kIgnore, "Пропустить", 5}, ButtonCase{dlg::kAll, "Все", 8},
                    ButtonCase{dlg::kNoToAll, "Нет для всех", 9},
                    ButtonCase{dlg::kYesToAll, "Да для всех", 10}));

// A plain top-level window of the program, standing for the wizard.
toolkit::WindowHandle CreateOtherWindow() {
  HWND window = CreateWindowExW(0, L"STATIC", L"Другое окно", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10,
                                10, 200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  return toolkit::WindowHandle(window);
}

TEST(LocalizedMessageDlgModality, OtherWindowsTakeNoInputWhileItIsShown) {
  toolkit::WindowHandle other = CreateOtherWindow();
  ASSERT_TRUE(other);
  bool otherEnabledDuring = true;
  const int result = ShowAndAnswer("Модально", dlg::kWarning, dlg::kOK, [&](HWND dialog) {
    otherEnabledDuring = IsWindowEnabled(other.get()) != FALSE;
    dialogdriver::PressKey(dialog, VK_RETURN);
  });
  EXPECT_EQ(result, dlg::kResultOK);
  EXPECT_FALSE(otherEnabledDuring);
  EXPECT_TRUE(IsWindowEnabled(other.get()));
}

TEST(LocalizedMessageDlgLifetime, TheDialogIsDestroyedBeforeReturning) {
  HWND seen = nullptr;
  ShowAndAnswer("Окно", dlg::kWarning, dlg::kOK, [&](HWND dialog) {
    seen = dialog;
    dialogdriver::PressKey(dialog, VK_RETURN);
  });
  ASSERT_NE(seen, nullptr);
  EXPECT_FALSE(IsWindow(seen));
}

}  // namespace
