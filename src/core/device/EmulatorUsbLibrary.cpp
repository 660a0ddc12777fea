#include "EmulatorUsbLibrary.h"

#include "Frame.h"

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QScopeGuard>

#include <algorithm>

namespace tovrel {
namespace {

// How long the presence check waits for the emulator to take a connection.
constexpr int kPresenceTimeoutMs = 500;
// The longest single wait of a transfer: how late an abort is noticed.
constexpr qint64 kAbortSliceMs = 50;

// The next wait of a transfer until `deadline`, at least 1 ms, at most one slice.
int sliceOf(const QDeadlineTimer &deadline)
{
    return int(std::clamp<qint64>(deadline.remainingTime(), 1, kAbortSliceMs));
}

} // namespace

EmulatorUsbLibrary::EmulatorUsbLibrary(const QString &socketName) : m_socketName(socketName)
{
    m_ioThread.setObjectName(QStringLiteral("EmulatorLink"));
    m_io = new QObject;
    m_io->moveToThread(&m_ioThread);
    m_ioThread.start();
}

EmulatorUsbLibrary::~EmulatorUsbLibrary()
{
    close();
    QObject *io = m_io;
    QMetaObject::invokeMethod(
        io, [io] { delete io; }, Qt::BlockingQueuedConnection);
    m_ioThread.quit();
    m_ioThread.wait();
}

void EmulatorUsbLibrary::onIoThread(const std::function<void()> &work)
{
    if (QThread::currentThread() == &m_ioThread)
        work();
    else
        QMetaObject::invokeMethod(m_io, work, Qt::BlockingQueuedConnection);
}

bool EmulatorUsbLibrary::connected() const
{
    return m_socket && m_socket->state() == QLocalSocket::ConnectedState;
}

quint32 EmulatorUsbLibrary::deviceCount()
{
    // A throw-away connection of the calling thread, so the check never waits behind an
    // exchange in progress on the open handle.
    QLocalSocket probe;
    probe.connectToServer(m_socketName);
    // A telephone this user may not open is still attached (as libusb lists a device whose
    // node it cannot open); the open then says why.
    const bool present = probe.waitForConnected(kPresenceTimeoutMs) ||
                         probe.error() == QLocalSocket::SocketAccessError;
    probe.abort();
    return present ? 1 : 0;
}

void EmulatorUsbLibrary::setTimeouts(int readMs, int writeMs)
{
    m_readTimeoutMs = readMs;
    m_writeTimeoutMs = writeMs;
}

bool EmulatorUsbLibrary::open(int number)
{
    bool ok = false;
    onIoThread([&] {
        delete m_socket;
        m_socket = nullptr;
        m_received.clear();
        m_open = false;
        m_lost = false;
        m_aborted = false;
        if (number != 0) {
            m_openFailure = {UsbOpenFailure::Other, QStringLiteral("no such device")};
            return;
        }
        m_socket = new QLocalSocket(m_io);
        m_socket->connectToServer(m_socketName);
        ok = m_socket->waitForConnected(m_writeTimeoutMs);
        m_open = ok;
        m_openFailure = {};
        if (!ok) {
            m_openFailure.kind = m_socket->error() == QLocalSocket::SocketAccessError
                                     ? UsbOpenFailure::Permission
                                     : UsbOpenFailure::Other;
            m_openFailure.reason = m_socket->errorString();
        }
    });
    return ok;
}

void EmulatorUsbLibrary::flush()
{
    onIoThread([&] {
        if (!m_socket)
            return;
        if (connected())
            m_socket->waitForReadyRead(0);
        m_socket->readAll();
        m_received.clear();
    });
}

bool EmulatorUsbLibrary::write(QByteArrayView bytes)
{
    bool ok = false;
    onIoThread([&] {
        const auto lostUnlessConnected = qScopeGuard([&] {
            if (!ok && !connected())
                m_lost = true;
        });
        if (!connected() || m_aborted.load())
            return;
        // Notice a connection the telephone has closed before sending into it.
        m_socket->waitForReadyRead(0);
        if (!connected())
            return;
        const QByteArray framed = frame::encode(bytes);
        if (m_socket->write(framed) != framed.size())
            return;
        const QDeadlineTimer deadline(m_writeTimeoutMs.load());
        while (m_socket->bytesToWrite() > 0) {
            if (m_aborted.load() || !connected() || deadline.hasExpired())
                return;
            m_socket->waitForBytesWritten(sliceOf(deadline));
        }
        ok = connected();
    });
    return ok;
}

bool EmulatorUsbLibrary::read(char *buffer, int count, int *received)
{
    *received = 0;
    bool ok = false;
    onIoThread([&] {
        const auto lostUnlessConnected = qScopeGuard([&] {
            if (!ok && !connected())
                m_lost = true;
        });
        if (!m_socket || m_aborted.load())
            return;
        const QDeadlineTimer deadline(m_readTimeoutMs.load());
        for (;;) {
            m_received.append(m_socket->readAll());
            if (const auto payload = frame::take(m_received)) {
                const int n = std::min<int>(count, int(payload->size()));
                std::copy_n(payload->constData(), n, buffer);
                // The frame knows the answer's length: a longer answer is reported as such.
                *received = int(payload->size());
                ok = true;
                return;
            }
            if (!connected() || deadline.hasExpired() || m_aborted.load())
                return;
            m_socket->waitForReadyRead(sliceOf(deadline));
        }
    });
    return ok;
}

void EmulatorUsbLibrary::close()
{
    onIoThread([&] {
        if (m_socket)
            m_socket->abort();
        delete m_socket;
        m_socket = nullptr;
        m_received.clear();
        m_open = false;
    });
}

} // namespace tovrel
