// The declarations of the backdrop (FormMain.layout.cpp).
#pragma once

#include "FormMain.h"

extern const toolkit::FormDecl kMainForm;
extern const toolkit::ControlDecl kMainFormControls[];
extern const size_t kMainFormControlCount;
extern const toolkit::EventDecl<TMainForm> kMainFormEvents[];
extern const size_t kMainFormEventCount;
