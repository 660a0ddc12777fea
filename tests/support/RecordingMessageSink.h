#pragma once

#include "MessageSink.h"

#include <QList>
#include <QMutex>

#include <deque>

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

private:
    mutable QMutex m_mutex;
    QList<Message> m_messages;
    std::deque<MessageAnswer> m_answers;
};

} // namespace tovrel::test
