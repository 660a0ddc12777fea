#include "StandardError.h"

#include <QGuiApplication>

namespace tovrel {

void showStandardError(MessageSink &messages, const QString &text)
{
    messages.show(
        {QGuiApplication::applicationDisplayName(), text, MessageIcon::Error, MessageButtons::Ok});
}

} // namespace tovrel
