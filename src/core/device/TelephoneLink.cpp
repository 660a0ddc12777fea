#include "TelephoneLink.h"

#include <QCoreApplication>

#include <algorithm>

namespace tovrel {

QString linkErrorText(LinkError error)
{
    switch (error) {
    case LinkError::Write:
        return QCoreApplication::translate("TelephoneLink", "USB写命令错误");
    case LinkError::Read:
        return QCoreApplication::translate("TelephoneLink", "USB读数据错误");
    case LinkError::None:
        break;
    }
    return {};
}

TelephoneLink::TelephoneLink(std::unique_ptr<UsbLibrary> usb, int timeoutMs)
    : m_usb(std::move(usb)), m_timeoutMs(timeoutMs)
{}

TelephoneLink::~TelephoneLink() = default;

bool TelephoneLink::openStep()
{
    {
        const std::lock_guard lock(m_pauseLock);
        m_abandoned = false;
    }
    m_usb->setTimeouts(m_timeoutMs, m_timeoutMs);
    const bool opened = m_usb->open(0);
    m_everOpened = m_everOpened || opened;
    if (opened)
        m_outOfStep = false; // a new handle starts with nothing pending
    return opened;
}

void TelephoneLink::abortTransfers()
{
    {
        const std::lock_guard lock(m_pauseLock);
        m_abandoned = true;
    }
    m_pauseCut.notify_all();
    m_usb->abortTransfers();
}

void TelephoneLink::pause(int ms)
{
    std::unique_lock lock(m_pauseLock);
    m_pauseCut.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_abandoned; });
}

void TelephoneLink::closeAtExit()
{
    if (!m_everOpened)
        return;
    m_usb->flush();
    m_usb->close();
}

void TelephoneLink::flush()
{
    if (m_outOfStep)
        resynchronise();
    else
        m_usb->flush();
}

void TelephoneLink::resynchronise()
{
    // The telephone may still be answering the command whose answer failed: wait until it has
    // been quiet for a whole read time-out, dropping whatever arrives, then flush. Bounded, so
    // a telephone that never stops talking cannot hold the link for ever.
    constexpr int kMaxLateAnswers = 64;
    std::array<char, 512> scratch{};
    for (int i = 0; i < kMaxLateAnswers; ++i) {
        int received = 0;
        if (!m_usb->read(scratch.data(), int(scratch.size()), &received))
            break;
    }
    m_usb->flush();
    m_outOfStep = false;
}

LinkError TelephoneLink::send(const CommandBytes &command)
{
    if (m_outOfStep)
        resynchronise();
    std::copy(command.begin(), command.end(), CommandBuffer.begin());
    const QByteArrayView bytes(reinterpret_cast<const char *>(CommandBuffer.data()),
                               kCommandLength);
    if (m_usb->write(bytes))
        return LinkError::None;
    // A command that went out only in part may still be answered.
    m_outOfStep = true;
    return LinkError::Write;
}

LinkError TelephoneLink::receive(quint8 *into, int count, int *received, bool acceptShort)
{
    std::fill_n(into, count, quint8(0));
    // An answer of another length than asked for is not this command's answer: a longer one
    // is always refused, a shorter one unless the caller takes short answers (the probe).
    const bool ok = m_usb->read(reinterpret_cast<char *>(into), count, received) &&
                    (acceptShort ? *received <= count : *received == count);
    if (ok)
        return LinkError::None;
    // The answer may come late or be followed by more: the link is out of step until the next
    // command has waited it out, so no late answer is taken for the next command's.
    std::fill_n(into, count, quint8(0));
    *received = 0;
    m_outOfStep = true;
    return LinkError::Read;
}

LinkResult<int> TelephoneLink::readCount()
{
    LinkResult<int> result;
    if ((result.error = send(countCommand())) != LinkError::None)
        return result;
    CommandBuffer.fill(0);
    int received = 0;
    if ((result.error = receive(CommandBuffer.data(), kCountAnswerLength, &received)) !=
        LinkError::None)
        return result;
    result.value = CommandBuffer[0] + 256 * CommandBuffer[1];
    return result;
}

bool TelephoneLink::probeRecordLength()
{
    if (send(recordCommand(0)) != LinkError::None)
        return false;
    CommandBuffer.fill(0);
    int received = 0;
    if (receive(CommandBuffer.data(), kProbeReadLength, &received, true) != LinkError::None)
        return false;
    if (received != kShortRecordLength && received != kLongRecordLength) {
        m_outOfStep = true; // not a directory record: some other answer came
        return false;
    }
    RecordLength = received;
    return true;
}

LinkResult<QByteArray> TelephoneLink::readRecord(int index, int pauseMs)
{
    LinkResult<QByteArray> result;
    if (RecordLength != kShortRecordLength && RecordLength != kLongRecordLength) {
        result.error = LinkError::Read; // no form established
        return result;
    }
    if ((result.error = send(recordCommand(index))) != LinkError::None)
        return result;
    if (pauseMs > 0)
        pause(pauseMs);
    CommandBuffer.fill(0);
    int received = 0;
    if ((result.error = receive(CommandBuffer.data(), RecordLength, &received)) != LinkError::None)
        return result;
    result.value = QByteArray(reinterpret_cast<const char *>(CommandBuffer.data()), RecordLength);
    return result;
}

LinkResult<int> TelephoneLink::readData(quint32 address, int count)
{
    LinkResult<int> result;
    count = std::clamp(count, 1, kPacketBytes);
    CommandBuffer.fill(0);
    if ((result.error = send(dataCommand(address, count))) != LinkError::None)
        return result;
    int received = 0;
    if ((result.error = receive(DataBuffer.data(), count, &received)) != LinkError::None)
        return result;
    result.value = count;
    return result;
}

LinkResult<std::array<quint8, 4>> TelephoneLink::readPassword()
{
    LinkResult<std::array<quint8, 4>> result;
    if ((result.error = send(passwordCommand())) != LinkError::None)
        return result;
    CommandBuffer.fill(0);
    int received = 0;
    if ((result.error = receive(CommandBuffer.data(), kPasswordAnswerLength, &received)) !=
        LinkError::None)
        return result;
    std::copy_n(CommandBuffer.begin(), 4, result.value.begin());
    return result;
}

} // namespace tovrel
