#pragma once

#include "MessageSink.h"

namespace tovrel {

// The application's standard error box: a failure raised inside a handler (a settings file that
// cannot be written, an escaping exception) is shown with the program's name as caption.
void showStandardError(MessageSink &messages, const QString &text);

} // namespace tovrel
