// The declarations of the progress window (FormProgress.layout.cpp).
#pragma once

#include "FormProgress.h"

extern const toolkit::FormDecl kProgressForm;
extern const toolkit::ControlDecl kProgressFormControls[];
extern const size_t kProgressFormControlCount;
extern const toolkit::EventDecl<TProgressForm> kProgressFormEvents[];
extern const size_t kProgressFormEventCount;
