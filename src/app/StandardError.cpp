#include "StandardError.h"

#include <QCoreApplication>

namespace tovrel {

void showStandardError(MessageSink &messages, const QString &text)
{
    messages.show({QCoreApplication::translate("StandardError", "错误"), text, MessageIcon::Error,
                   MessageButtons::Ok});
}

} // namespace tovrel
