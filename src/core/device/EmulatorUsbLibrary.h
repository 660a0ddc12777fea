#pragma once

#include "UsbLibrary.h"

#include <QThread>

#include <atomic>
#include <functional>

class QLocalSocket;

namespace tovrel {

// The emulated telephone on a local socket. Device count is 1 while a connection to the socket
// can be made; open connects and keeps the connection; every message is a frame (Frame.h).
// A read takes the next frame within the read time-out, keeps min(N, requested) bytes and
// reports N.
//
// The connection lives on a private I/O thread, so the window thread and the upload worker can
// both use the one handle (never at the same time); each operation runs there and is waited for.
class EmulatorUsbLibrary final : public UsbLibrary
{
public:
    explicit EmulatorUsbLibrary(const QString &socketName);
    ~EmulatorUsbLibrary() override;

    quint32 deviceCount() override;
    void setTimeouts(int readMs, int writeMs) override;
    bool open(int number) override;
    void flush() override;
    bool write(QByteArrayView bytes) override;
    bool read(char *buffer, int count, int *received) override;
    void close() override;
    void abortTransfers() override { m_aborted = true; }
    bool isOpen() const override { return m_open.load(); }
    bool linkLost() const override { return m_lost.load(); }

private:
    void onIoThread(const std::function<void()> &work);
    bool connected() const;

    QString m_socketName;
    std::atomic<int> m_readTimeoutMs{10000};
    std::atomic<int> m_writeTimeoutMs{10000};
    std::atomic<bool> m_open{false};
    // A write or read found the connection closed (the telephone unplugged).
    std::atomic<bool> m_lost{false};
    // abortTransfers() was called: writes and reads fail until the next open. The waits of a
    // transfer are cut in short slices that look at it.
    std::atomic<bool> m_aborted{false};
    QThread m_ioThread;
    QObject *m_io = nullptr;          // lives on m_ioThread
    QLocalSocket *m_socket = nullptr; // child of m_io
    QByteArray m_received;            // bytes read but not yet taken as frames
};

} // namespace tovrel
