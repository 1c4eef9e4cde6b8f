#pragma once
// --events: one line per event of the component as it fires.
#include <ostream>

#include "ConsoleUI.h"
#include "UnZip.h"

namespace zipextract {

// Assigns a printing handler to every event (the next-disk handler is kept
// and wrapped). The handlers
// change nothing but what the component would otherwise decide itself:
// OnPromptForOverwrite asks the question of the message box it replaces.
void AttachEventPrinter(uz::TUnZip& unzip, TConsoleUI& ui, std::ostream& out);

// Wraps the next-disk handler already assigned so that the request is
// printed before it is answered.
void PrintNextDiskRequests(uz::TUnZip& unzip, std::ostream& out);

}  // namespace zipextract
