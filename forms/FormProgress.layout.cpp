// The progress window, control by control.
#include "FormProgress.layout.h"

using namespace toolkit;

const FormDecl kProgressForm = {"ProgressForm",
                                "Установка...",
                                WS_POPUP,
                                WS_EX_TOPMOST,
                                0,
                                0,
                                387,
                                96,
                                SystemColor(COLOR_BTNFACE),
                                Placement::AsDeclared,
                                "MS Sans Serif",
                                8,
                                nullptr,
                                0};

const ControlDecl kProgressFormControls[] = {
    // kind              name             parent    x   y    w    h  text style
    // Panel1: the raised face of the window, holding the text and the bar.
    {Kind::Panel, "Panel1", "", 0, 0, 387, 96, "", kFill},
    {Kind::Label, "CurrentAction", "Panel1", 16, 32, 0, 0, "Подготовка к копированию...", kNoStyle},
    {Kind::ProgressBar, "ProgressBar", "Panel1", 16, 56, 356, 16, "", kNoStyle},
};
const size_t kProgressFormControlCount =
    sizeof kProgressFormControls / sizeof *kProgressFormControls;

const EventDecl<TProgressForm> kProgressFormEvents[] = {
    {"", Event::Create, &TProgressForm::FormCreate},
    {"", Event::CloseQuery, &TProgressForm::FormCloseQuery},
};
const size_t kProgressFormEventCount = sizeof kProgressFormEvents / sizeof *kProgressFormEvents;
