#include "StandardError.h"

namespace tovrel {

void showStandardError(MessageSink &messages, const QString &text)
{
    messages.show({QString::fromUtf8("错误"), text, MessageIcon::Error, MessageButtons::Ok});
}

} // namespace tovrel
