#include "RecordingMessageSink.h"

namespace tovrel::test {

MessageAnswer RecordingMessageSink::show(const Message &message)
{
    std::function<void(const Message &)> onShow;
    {
        QMutexLocker lock(&m_mutex);
        m_messages.append(message);
        onShow = m_onShow;
    }
    if (onShow)
        onShow(message);
    QMutexLocker lock(&m_mutex);
    if (m_answers.empty())
        return message.buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    const MessageAnswer answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

void RecordingMessageSink::answerNext(MessageAnswer answer)
{
    QMutexLocker lock(&m_mutex);
    m_answers.push_back(answer);
}

QList<Message> RecordingMessageSink::messages() const
{
    QMutexLocker lock(&m_mutex);
    return m_messages;
}

QStringList RecordingMessageSink::texts() const
{
    QMutexLocker lock(&m_mutex);
    QStringList out;
    for (const Message &m : m_messages)
        out.append(m.text);
    return out;
}

void RecordingMessageSink::setOnShow(std::function<void(const Message &)> onShow)
{
    QMutexLocker lock(&m_mutex);
    m_onShow = std::move(onShow);
}

void RecordingMessageSink::clear()
{
    QMutexLocker lock(&m_mutex);
    m_messages.clear();
    m_answers.clear();
}

} // namespace tovrel::test
