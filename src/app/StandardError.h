#pragma once

#include "MessageSink.h"

namespace tovrel {

// The application's standard error box: a failure raised inside a handler (a settings file that
// cannot be written, an escaping exception) is shown with the caption "错误" (error).
void showStandardError(MessageSink &messages, const QString &text);

} // namespace tovrel
