// The fonts the system uses for its own windows, as its non-client metrics
// give them.
#pragma once

#include "Handles.h"

namespace toolkit {

// A new font like the system's message-box font (owned by the caller).
FontHandle CreateMessageFont();

}  // namespace toolkit
