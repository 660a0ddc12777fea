#pragma once

#include "MessageSink.h"

#include <QList>
#include <QMutex>

#include <deque>
#include <functional>

namespace tovrel::test {

// Records every message box instead of showing it, and answers with scripted answers (Ok when
// none is scripted). Safe to use from worker threads.
class RecordingMessageSink final : public MessageSink
{
public:
    MessageAnswer show(const Message &message) override;

    void answerNext(MessageAnswer answer);
    QList<Message> messages() const;
    QStringList texts() const;
    void clear();
    // Called on the showing thread after each box is recorded, before it is answered (a test
    // may act at that moment, as a user could while the box is open).
    void setOnShow(std::function<void(const Message &)> onShow);

private:
    mutable QMutex m_mutex;
    QList<Message> m_messages;
    std::deque<MessageAnswer> m_answers;
    std::function<void(const Message &)> m_onShow;
};

} // namespace tovrel::test
