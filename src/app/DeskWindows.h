#pragma once

#include "AppContext.h"

namespace tovrel {

// The run of the program's windows: creates the four windows in this order, the main window
// first, and keeps each until exit; shows only the main window (the others are shown modally by
// their callers); runs the message loop until the main window is closed. Returns 0, the
// program's exit code.
int runWindows(const AppContext &context);

} // namespace tovrel
