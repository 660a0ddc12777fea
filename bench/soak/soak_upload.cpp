// Soak of the upload: start / cancel cycles of the upload worker on its own thread against the
// emulated telephone (a separate process), 200 by default. Each cycle starts an upload of three
// recordings, asks it to stop after a random 0-80 ms and waits for the worker to end; a worker
// that has not ended 5 s after its stop request is a hang. After every cycle every file in the
// folder must be a whole recording or, for the file a stop cut short, its first bytes (header and
// the packets received); a temporary or any other file is a fault. Prints the figures.
//   soak_upload [CYCLES [SEED]]

#include "EmulatorLauncher.h"

#include "device/LinkFlags.h"
#include "device/TStorageSingleThread.h"
#include "device/TelephoneLink.h"
#include "device/UsbLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>

using namespace tovrel;
using Clock = std::chrono::steady_clock;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 200;
    const unsigned seed = argc > 2 ? unsigned(std::atoi(argv[2])) : 1u;

    emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
    if (!phone.start({QStringLiteral("--generate"), QStringLiteral("3"),
                      QStringLiteral("--payload-bytes"), QStringLiteral("20000")})) {
        std::fprintf(stderr, "soak_upload: %s\n", qPrintable(phone.error()));
        return 2;
    }
    auto link = std::make_shared<TelephoneLink>(createUsbLibrary(phone.socketName()), 2000);
    if (!link->openStep()) {
        std::fprintf(stderr, "soak_upload: the emulated telephone did not open\n");
        return 2;
    }
    UsbLoggedIn = 1;

    // The reference: one complete upload of the three recordings.
    QTemporaryDir referenceDir;
    const QString reference = referenceDir.path() + QLatin1Char('/');
    {
        TStorageSingleThread worker(link, reference, {0, 1, 2});
        worker.setRecordPauseMs(0);
        worker.Execute();
    }
    const QStringList names = QDir(reference).entryList(QDir::Files, QDir::Name);
    if (names.size() != 3) {
        std::fprintf(stderr, "soak_upload: the reference upload made %d files\n",
                     int(names.size()));
        return 2;
    }

    QTemporaryDir targetDir;
    const QString target = targetDir.path() + QLatin1Char('/');
    std::mt19937 random(seed);
    int complete = 0, cancelled = 0, hangs = 0, strays = 0, damaged = 0;
    int wholeFiles = 0, partialFiles = 0;
    double longestStopMs = 0, totalStopMs = 0;
    const auto began = Clock::now();
    for (int i = 0; i < cycles; ++i) {
        auto *worker = new TStorageSingleThread(link, target, {0, 1, 2});
        worker->setRecordPauseMs(0);
        bool finished = false;
        QObject::connect(
            worker, &TStorageSingleThread::ended, worker,
            [&finished](bool, bool done) { finished = done; }, Qt::DirectConnection);
        // The worker's body on a thread of its own, as the window runs it; the thread ends with it.
        std::unique_ptr<QThread> thread(QThread::create([worker] { worker->Execute(); }));
        thread->start();
        QThread::msleep(random() % 81);
        const auto stopAt = Clock::now();
        worker->requestStop();
        if (!thread->wait(QDeadlineTimer(5000))) {
            ++hangs;
            thread->wait();
        }
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - stopAt).count();
        longestStopMs = std::max(longestStopMs, ms);
        totalStopMs += ms;
        delete worker;
        (finished ? complete : cancelled) += 1;

        // Only whole recordings may be left; anything else is removed for the next cycle.
        const QStringList left = QDir(target).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        for (const QString &name : left) {
            if (!names.contains(name)) {
                ++strays;
            } else {
                QFile a(target + name), b(reference + name);
                if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly)) {
                    ++damaged;
                } else {
                    const QByteArray left = a.readAll(), whole = b.readAll();
                    if (left == whole)
                        ++wholeFiles;
                    else if (whole.startsWith(left))
                        ++partialFiles;
                    else
                        ++damaged;
                }
            }
            QFile::remove(target + name);
        }
    }
    UsbLoggedIn = 0;
    link->closeAtExit();
    const double total = std::chrono::duration<double>(Clock::now() - began).count();
    std::printf("soak_upload: %d start/cancel cycles (seed %u) in %.1f s\n", cycles, seed, total);
    std::printf("  ended complete before the stop: %d, cancelled: %d\n", complete, cancelled);
    std::printf("  stop to worker ended: mean %.2f ms, longest %.2f ms; hangs (> 5 s): %d\n",
                totalStopMs / std::max(cycles, 1), longestStopMs, hangs);
    std::printf("  files left: %d whole, %d cut short (the recording's first bytes), %d stray, "
                "%d damaged\n",
                wholeFiles, partialFiles, strays, damaged);
    return hangs == 0 && strays == 0 && damaged == 0 ? 0 : 1;
}
