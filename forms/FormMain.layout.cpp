// The backdrop, control by control.
#include "FormMain.layout.h"

using namespace toolkit;

// No caption of its own: the taskbar shows the application's title.
const FormDecl kMainForm = {
    "MainForm",      "", WS_POPUP, 0, 0, 0, 0, 0, Rgb(0, 128, 128), Placement::Maximized,
    "MS Sans Serif", 8,  nullptr,  0};

// Billboards take the size of their pictures; ShowBillboard places them.
const ControlDecl kMainFormControls[] = {
    // kind         name          parent  x  y  w  h  text (picture)  style
    {Kind::Image, "Billboard1", "", 0, 0, 0, 0, "BILLBOARD1", kHidden},
    {Kind::Image, "Billboard2", "", 0, 0, 0, 0, "BILLBOARD2", kHidden},
};
const size_t kMainFormControlCount = sizeof kMainFormControls / sizeof *kMainFormControls;

const EventDecl<TMainForm> kMainFormEvents[] = {
    {"", Event::Activate, &TMainForm::FormActivate},
    {"", Event::Paint, &TMainForm::FormPaint},
    {"", Event::Resize, &TMainForm::FormPaint},
};
const size_t kMainFormEventCount = sizeof kMainFormEvents / sizeof *kMainFormEvents;
