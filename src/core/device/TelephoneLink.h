#pragma once

#include "TelephoneCommands.h"
#include "UsbLibrary.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <condition_variable>
#include <memory>
#include <mutex>

// The telephone protocol over the USB library: the open step, the four commands, the
// record-length probe, and the buffers they share. One link per run; the window thread and the
// upload worker use it in turn, never at once.
namespace tovrel {

enum class LinkError
{
    None,
    Write, // the command could not be sent
    Read,  // no complete answer arrived
};

// "USB写命令错误" or "USB读数据错误" (empty for None).
QString linkErrorText(LinkError error);

template <typename T> struct LinkResult
{
    LinkError error = LinkError::None;
    T value{};
    bool ok() const { return error == LinkError::None; }
};

// Record lengths of the two forms of directory record.
constexpr int kShortRecordLength = 19;
constexpr int kLongRecordLength = 32;
// The library's read and write time-out used by the program.
constexpr int kDefaultLinkTimeoutMs = 10000;

class TelephoneLink
{
public:
    explicit TelephoneLink(std::unique_ptr<UsbLibrary> usb, int timeoutMs = kDefaultLinkTimeoutMs);
    ~TelephoneLink();

    UsbLibrary &usb() { return *m_usb; }

    quint32 deviceCount() { return m_usb->deviceCount(); }
    // Sets the time-outs and opens device 0; true when opened. Failure is silent.
    bool openStep();
    // True once an open succeeded during the run.
    bool everOpened() const { return m_everOpened; }
    // Drops what the link still holds; after a failed exchange it first waits out a late answer.
    void flush();
    // True after a failed exchange, until the next command or flush has waited out its answer.
    bool outOfStep() const { return m_outOfStep; }
    // True when a failed exchange found the telephone gone (unplugged, device error, link
    // closed): no later exchange can succeed before the next open.
    bool linkLost() const { return m_usb->linkLost(); }
    // At the end of the run: flush and close, when the handle was ever opened.
    void closeAtExit();
    // The link is being given up: the exchange in progress (in another thread) ends as failed
    // without waiting out its time-out, and so does every later one until the next open.
    // A pause between a command and its answer (readRecord) ends at once too.
    void abortTransfers();

    // The number of recordings (count command).
    LinkResult<int> readCount();
    // The record-length probe: the record command for index 0 with a 32-byte read. Sets
    // RecordLength from the bytes received; only 19 (short form) and 32 (long form) establish
    // a form, anything else counts as a failed probe.
    bool probeRecordLength();
    bool longForm() const { return RecordLength != kShortRecordLength; }
    // The directory record of recording `index`, RecordLength bytes; `pauseMs` is the pause the
    // telephone is given between the command and the read of its answer (cut short by
    // abortTransfers, after which the read fails).
    LinkResult<QByteArray> readRecord(int index, int pauseMs = 0);
    // `count` (1..256) bytes of the telephone's memory at `address`, into DataBuffer; the
    // result is the byte count. An answer shorter than asked is a read failure.
    LinkResult<int> readData(quint32 address, int count);
    // The telephone's password digits (password command).
    LinkResult<std::array<quint8, 4>> readPassword();

    // Learned by the probe: 19 or 32, 0 before the first successful probe.
    int RecordLength = 0;
    std::array<quint8, 64> CommandBuffer{};
    std::array<quint8, kPacketBytes> DataBuffer{};

private:
    // Before a command on a link out of step: reads until the telephone has been quiet for a
    // whole read time-out, then flushes.
    void resynchronise();
    LinkError send(const CommandBytes &command);
    // Reads `count` bytes into `into`; a short answer fails unless `acceptShort`.
    LinkError receive(quint8 *into, int count, int *received, bool acceptShort = false);

    // Waits `ms` milliseconds unless the link is given up meanwhile.
    void pause(int ms);

    std::unique_ptr<UsbLibrary> m_usb;
    int m_timeoutMs;
    std::mutex m_pauseLock;
    std::condition_variable m_pauseCut;
    bool m_abandoned = false; // under m_pauseLock: abortTransfers() came, until the next open
    bool m_everOpened = false;
    bool m_outOfStep = false;
};

} // namespace tovrel
