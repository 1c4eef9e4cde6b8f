// Where the focus goes when a form comes back: only to a control that is
// visible and enabled then, else to the default button. The wizard's
// completion page hides "Далее >", which had the focus when the wizard was
// left, and the activation may come before or after the page change.
#include "Application.h"
#include "Form.h"

#include <gtest/gtest.h>

namespace {

using namespace toolkit;

const FormDecl kForm = {"FocusForm",
                        "Фокус",
                        WS_OVERLAPPEDWINDOW,
                        0,
                        40,
                        40,
                        300,
                        120,
                        SystemColor(COLOR_BTNFACE),
                        Placement::AsDeclared,
                        "MS Sans Serif",
                        8,
                        nullptr,
                        0};
const ControlDecl kControls[] = {
    {Kind::Button, "Next", "", 20, 60, 75, 23, "Далее >", kNoStyle},
    {Kind::Button, "Done", "", 120, 60, 75, 23, "Готово", kDefault},
};

class FocusForm : public TForm {
 public:
  FocusForm() : TForm(kForm, kControls, 2, nullptr) { Created(); }
};

void Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

TEST(FocusRestore, NeverToAHiddenControlWhicheverComesFirst) {
  for (bool hiddenWhileAway : {true, false}) {
    SCOPED_TRACE(hiddenWhileAway ? "hidden while the form was away" : "hidden after it came back");
    FocusForm form;
    TButton& next = form.Get<TButton>("Next");
    form.Show();
    SetForegroundWindow(form.Handle());
    Pump();
    next.SetFocus();
    Pump();
    ASSERT_EQ(GetFocus(), next.Handle());
    form.Hide();  // the installation runs meanwhile
    Pump();
    if (hiddenWhileAway) next.Hide();
    form.Show();
    SetForegroundWindow(form.Handle());
    Pump();
    if (!hiddenWhileAway) next.Hide();
    Pump();
    EXPECT_EQ(GetFocus(), form.Get<TButton>("Done").Handle());
  }
}

}  // namespace
