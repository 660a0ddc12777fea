// "Upload only what is new" with every recording already in the folder, against reading the
// telephone's list, through the emulated telephone (a separate process, no injected delay).
// Both make one record command per recording; the upload also compares each record with the
// start of its file. Target: the upload costs no more than the list (ratio at most 1.0 plus
// the noise of the machine).

#include "EmulatorLauncher.h"

#include "activity/ActivityFlags.h"
#include "device/LinkFlags.h"
#include "device/TStorageSingleThread.h"
#include "device/TelephoneLink.h"
#include "device/TelephoneList.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

using namespace tovrel;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    const QString form = argc > 3 ? QString::fromLatin1(argv[3]) : QStringLiteral("short");
    QTextStream out(stdout);

    emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
    if (!phone.start({QStringLiteral("--generate"), QString::number(files),
                      QStringLiteral("--payload-bytes"), QStringLiteral("512"),
                      QStringLiteral("--form"), form})) {
        out << "cannot start the emulator: " << phone.error() << '\n';
        return 1;
    }
    auto link = std::make_shared<TelephoneLink>(createUsbLibrary(phone.socketName()));
    if (!link->openStep()) {
        out << "cannot open the link\n";
        return 1;
    }
    UsbLoggedIn = 1;
    Uploading = 1;
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    QList<int> indices;
    for (int i = 0; i < files; ++i)
        if (i != kSkippedRecordIndex)
            indices.append(i);

    // Fill the folder once.
    {
        TStorageSingleThread fill(link, folder, indices);
        fill.setRecordPauseMs(0);
        fill.Execute();
        if (fill.uploadedCount() != indices.size()) {
            out << "the first upload was not complete\n";
            return 1;
        }
    }

    double bestList = 1e30;
    double bestNew = 1e30;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer clock;
        clock.start();
        TelephoneListReader reader(*link);
        int rows = 0;
        QObject::connect(&reader, &TelephoneListReader::rowRead, [&] { ++rows; });
        if (!reader.run() || rows != indices.size()) {
            out << "the list was not read whole\n";
            return 1;
        }
        bestList = std::min(bestList, double(clock.nsecsElapsed()) * 1e-9);

        clock.restart();
        TStorageSingleThread onlyNew(link, folder, indices);
        onlyNew.setOnlyNew(true);
        onlyNew.Execute();
        if (onlyNew.alreadyPresentCount() != indices.size()) {
            out << "not every recording counted as present\n";
            return 1;
        }
        bestNew = std::min(bestNew, double(clock.nsecsElapsed()) * 1e-9);
    }
    out << "recordings " << indices.size() << " (" << form << " form), best of " << rounds << '\n';
    out << QString::asprintf("list %.3f s (%.0f records/s), upload --new %.3f s (%.0f records/s), "
                             "ratio %.2f\n",
                             bestList, indices.size() / bestList, bestNew, indices.size() / bestNew,
                             bestNew / bestList);
    return 0;
}
