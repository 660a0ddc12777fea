// Upload throughput through the emulated telephone (a separate process, no injected delay):
// payload bytes per second, and the share of the time spent outside the link's own reads and
// writes. The 100 ms pause per file is left out: it is fixed, not work.

#include "EmulatorLauncher.h"

#include "activity/ActivityFlags.h"
#include "device/LinkFlags.h"
#include "device/TStorageSingleThread.h"
#include "device/TelephoneLink.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <chrono>
#include <cstdio>

using namespace tovrel;

namespace {

// Forwards to the real backend and adds up the time spent in write and read.
class TimedUsbLibrary final : public UsbLibrary
{
public:
    explicit TimedUsbLibrary(std::unique_ptr<UsbLibrary> inner) : m_inner(std::move(inner)) {}
    quint32 deviceCount() override { return m_inner->deviceCount(); }
    void setTimeouts(int r, int w) override { m_inner->setTimeouts(r, w); }
    bool open(int n) override { return m_inner->open(n); }
    void flush() override
    {
        timed([&] { m_inner->flush(); });
    }
    bool write(QByteArrayView b) override
    {
        bool ok = false;
        timed([&] { ok = m_inner->write(b); });
        return ok;
    }
    bool read(char *buffer, int count, int *received) override
    {
        bool ok = false;
        timed([&] { ok = m_inner->read(buffer, count, received); });
        return ok;
    }
    void close() override { m_inner->close(); }
    void abortTransfers() override { m_inner->abortTransfers(); }
    bool isOpen() const override { return m_inner->isOpen(); }
    bool linkLost() const override { return m_inner->linkLost(); }
    double linkSeconds() const { return m_ns * 1e-9; }

private:
    template <typename F> void timed(F f)
    {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        m_ns += std::chrono::duration_cast<std::chrono::nanoseconds>(
                    std::chrono::steady_clock::now() - t0)
                    .count();
    }
    std::unique_ptr<UsbLibrary> m_inner;
    qint64 m_ns = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 20;
    const int payload = argc > 2 ? std::atoi(argv[2]) : 60000;
    QTextStream out(stdout);

    emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
    if (!phone.start({QStringLiteral("--generate"), QString::number(files),
                      QStringLiteral("--payload-bytes"), QString::number(payload)})) {
        out << "cannot start the emulator: " << phone.error() << '\n';
        return 1;
    }
    auto timed = std::make_unique<TimedUsbLibrary>(createUsbLibrary(phone.socketName()));
    TimedUsbLibrary *usb = timed.get();
    auto link = std::make_shared<TelephoneLink>(std::move(timed));
    if (!link->openStep()) {
        out << "cannot open the link\n";
        return 1;
    }
    QTemporaryDir dir;
    QList<int> indices;
    for (int i = 0; i < files; ++i)
        indices.append(i);
    UsbLoggedIn = 1;
    Uploading = 1;
    TStorageSingleThread worker(link, dir.path() + QLatin1Char('/'), indices);
    worker.setRecordPauseMs(0);
    bool complete = false;
    QObject::connect(&worker, &TStorageSingleThread::ended,
                     [&](bool, bool all) { complete = all; });
    QElapsedTimer clock;
    clock.start();
    worker.Execute();
    const double total = double(clock.nsecsElapsed()) * 1e-9;
    qint64 bytes = 0;
    for (const QFileInfo &f : QDir(dir.path()).entryInfoList(QDir::Files))
        bytes += f.size();
    const double payloadBytes = double(qint64(files) * payload);
    out << "files " << files << ", payload " << payload << " bytes each, complete "
        << (complete ? "yes" : "no") << ", written " << bytes << " bytes\n";
    out << QString::asprintf("total %.3f s, link %.3f s, throughput %.0f payload bytes/s\n", total,
                             usb->linkSeconds(), payloadBytes / total);
    out << QString::asprintf("outside the link: %.1f%% of the time\n",
                             100.0 * (total - usb->linkSeconds()) / total);
    return complete ? 0 : 1;
}
