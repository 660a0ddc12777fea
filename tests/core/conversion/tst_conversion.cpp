#include "codec/SpeexDecoder.h"
#include "codec/WavFile.h"
#include "conversion/ConversionWorker.h"
#include "conversion/RecordingConversion.h"

#include "SkipOutsideCi.h"
#include "SmallFileSystem.h"
#include "SpeechEncoder.h"
#include "SpeechFixtures.h"
#include "TestFolders.h"
#include "TestText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

using namespace tovrel;
using tovrel::test::referenceDecode;
using tovrel::test::TempFolder;

namespace {

using tovrel::test::u;

// Records come from the emulated telephone's own encoder, not from the program's header code.
emulator::RecordFields header(bool longForm)
{
    emulator::RecordFields h;
    h.longForm = longForm;
    h.month = 5;
    h.day = 4;
    h.year = 2000;
    h.number = u("10086");
    return h;
}

// A recording of real encoded speech.
QByteArray speechRecording(bool longForm, int milliseconds, unsigned seed = 1)
{
    return test::speechRecording(header(longForm), milliseconds, seed);
}

} // namespace

class TestConversion : public QObject
{
    Q_OBJECT

private slots:
    // Files of one name from different folders keep their own WAV in one run, also when a
    // numbered name is itself the name of a later file.
    void distinctNamesInOneRun()
    {
        QSet<QString> taken;
        QStringList got;
        for (const char *input :
             {"/x/a.spx", "/y/a.spx", "/x/a (2).spx", "/z/a.spx", "/x/b.SPX", "/y/b.SPX"})
            got.append(distinctWavPath(QString::fromUtf8(input), QStringLiteral("/out/"), taken));
        QCOMPARE(got,
                 (QStringList{
                     QStringLiteral("/out/a.spx.wav"), QStringLiteral("/out/a (2).spx.wav"),
                     QStringLiteral("/out/a (2) (2).spx.wav"), QStringLiteral("/out/a (3).spx.wav"),
                     QStringLiteral("/out/b.SPX.wav"), QStringLiteral("/out/b (2).SPX.wav")}));
    }

    void wavSizes_data()
    {
        QTest::addColumn<QByteArray>("recording");
        QTest::addColumn<int>("chunks");
        const QByteArray shortHeader = emulator::encodeRecord(header(false));
        const QByteArray longHeader = emulator::encodeRecord(header(true));
        QTest::newRow("short header, 1000 bytes") << shortHeader + QByteArray(1000, 'a') << 2;
        QTest::newRow("short header, 1250 bytes") << shortHeader + QByteArray(1250, 'a') << 2;
        QTest::newRow("long header, 1499 bytes") << longHeader + QByteArray(1499, 'a') << 2;
        QTest::newRow("less than a chunk") << shortHeader + QByteArray(499, 'a') << 0;
        QTest::newRow("shorter than its header") << QByteArray(10, '\0') << 0;
        QByteArray lookalike = shortHeader + QByteArray(1012, 'a');
        lookalike.replace(28, 4, "\xFF\xFF\xFF\xFF"); // payload bytes 9..12: read as long form
        QTest::newRow("payload looks like the long marker") << lookalike << 1;
    }

    void wavSizes()
    {
        QFETCH(QByteArray, recording);
        QFETCH(int, chunks);
        TempFolder dir;
        const QString in = dir.write(u("r.spx"), recording);
        std::atomic<int> go{1};
        SpeexDecoder decoder;
        const FileConversion r = convertRecording(in, dir.file(u("r.spx.wav")), go, decoder);
        QCOMPARE(r.status, FileConversion::Completed);
        QCOMPARE(r.chunkCount, chunks);
        QCOMPARE(r.chunksWritten, chunks);
        const QByteArray wav = dir.read(u("r.spx.wav"));
        QCOMPARE(wav.size(), 44 + chunks * 8000);
        QCOMPARE(wav.left(44), wavHeader(quint32(chunks) * 8000));
    }

    void roundTripMatchesLibspeex_data()
    {
        QTest::addColumn<bool>("longForm");
        QTest::newRow("short form") << false;
        QTest::newRow("long form") << true;
    }

    void roundTripMatchesLibspeex()
    {
        QFETCH(bool, longForm);
        TempFolder dir;
        const QByteArray recording = speechRecording(longForm, 4300);
        const QString in = dir.write(u("语音 1.spx"), recording);
        std::atomic<int> go{1};
        SpeexDecoder decoder;
        const FileConversion r = convertRecording(in, wavPathFor(in, dir.path()), go, decoder);
        QCOMPARE(r.status, FileConversion::Completed);
        const QByteArray payload = recording.mid(longForm ? 32 : 19);
        const qsizetype whole = payload.size() / 500 * 500;
        const QByteArray wav = dir.read(u("语音 1.spx.wav"));
        QVERIFY(test::wavHeaderMatchesFile(wav));
        QVERIFY(wav.mid(44) == referenceDecode(payload.left(whole)));
    }

    void stopKeepsHeaderTrue()
    {
        TempFolder dir;
        const QString in = dir.write(u("long.spx"), speechRecording(false, 10000));
        std::atomic<int> go{1};
        SpeexDecoder decoder;
        FileConversionHooks hooks;
        hooks.chunkDone = [&](int done) {
            if (done == 3)
                go.store(0);
        };
        const FileConversion r =
            convertRecording(in, dir.file(u("long.spx.wav")), go, decoder, hooks);
        QCOMPARE(r.status, FileConversion::Stopped);
        QCOMPARE(r.chunkCount, 20);
        QCOMPARE(r.chunksWritten, 3);
        const QByteArray wav = dir.read(u("long.spx.wav"));
        QCOMPARE(wav.size(), 44 + 3 * 8000);
        QVERIFY(test::wavHeaderMatchesFile(wav));
    }

    void failures()
    {
        TempFolder dir;
        dir.write(u("plain"), "x");
        const QString in = dir.write(u("r.spx"), speechRecording(false, 1000));
        std::atomic<int> go{1};
        SpeexDecoder decoder;
        FileConversion r =
            convertRecording(dir.file(u("gone.spx")), dir.file(u("g.wav")), go, decoder);
        QCOMPARE(r.status, FileConversion::OpenFailed);
        QVERIFY(!QFile::exists(dir.file(u("g.wav"))));
        r = convertRecording(in, dir.file(u("plain/r.spx.wav")), go, decoder);
        QCOMPARE(r.status, FileConversion::CreateFailed);
        QVERIFY(!r.reason.isEmpty());
    }

    void workerRunsFilesInOrder()
    {
        TempFolder dir;
        TempFolder out;
        const QStringList inputs{dir.write(u("a.spx"), speechRecording(false, 3000, 1)),
                                 dir.write(u("b 乙.spx"), speechRecording(true, 2000, 2))};
        std::atomic<int> flag{1};
        ConversionWorker worker(ConversionWorker::Kind::All, inputs, out.path(), 77, flag);
        QSignalSpy started(&worker, &ConversionWorker::fileStarted);
        QSignalSpy finishedFiles(&worker, &ConversionWorker::fileFinished);
        QSignalSpy progress(&worker, &ConversionWorker::progress);
        QSignalSpy finished(&worker, &ConversionWorker::finished);
        QSignalSpy failed(&worker, &ConversionWorker::failed);
        worker.run();
        QCOMPARE(started.size(), 2);
        QCOMPARE(started[0], QVariantList({u("a.spx"), 6, qint64(77)}));
        QCOMPARE(started[1], QVariantList({u("b 乙.spx"), 4, qint64(77)}));
        QCOMPARE(finishedFiles.size(), 2);
        QCOMPARE(finishedFiles[1][0].toString(), out.file(u("b 乙.spx.wav")));
        QCOMPARE(finished.size(), 1);
        QCOMPARE(failed.size(), 0);
        // The last progress of the run counts every chunk of both files.
        QCOMPARE(progress.last(), QVariantList({4, qint64(10)}));
        QCOMPARE(out.read(u("a.spx.wav")).size(), 44 + 6 * 8000);
    }

    void workerProgressIsSparing()
    {
        TempFolder dir;
        TempFolder out;
        const QStringList inputs{
            dir.write(u("big.spx"), spx::makeRecording(header(false), QByteArray(1250000, '\0')))};
        std::atomic<int> flag{1};
        ConversionWorker worker(ConversionWorker::Kind::All, inputs, out.path(), 2501, flag);
        QSignalSpy progress(&worker, &ConversionWorker::progress);
        worker.run();
        QCOMPARE(progress.last(), QVariantList({2500, qint64(2500)}));
        QVERIFY2(progress.size() <= 1001, qPrintable(QString::number(progress.size())));
    }

    void workerSelectedTotal()
    {
        // Every selected file counts its size less 19 bytes, whatever its header.
        TempFolder dir;
        TempFolder out;
        const QStringList inputs{
            dir.write(u("a.spx"), emulator::encodeRecord(header(false)) + QByteArray(1250, 'a')),
            dir.write(u("b.spx"), emulator::encodeRecord(header(true)) + QByteArray(1250, 'a'))};
        std::atomic<int> flag{1};
        ConversionWorker worker(ConversionWorker::Kind::Selected, inputs, out.path(), 0, flag);
        QSignalSpy started(&worker, &ConversionWorker::fileStarted);
        worker.run();
        QCOMPARE(started.size(), 2);
        QCOMPARE(started[0][2].toLongLong(), qint64((1250 + 1263) / 500));
        QCOMPARE(started[1][1].toInt(), 2);
    }

    void workerEndsAtVanishedFile()
    {
        TempFolder dir;
        TempFolder out;
        const QStringList inputs{dir.write(u("1.spx"), speechRecording(false, 2000)),
                                 dir.file(u("2.spx")),
                                 dir.write(u("3.spx"), speechRecording(false, 2000))};
        std::atomic<int> flag{1};
        ConversionWorker worker(ConversionWorker::Kind::All, inputs, out.path(), 9, flag);
        QSignalSpy finishedFiles(&worker, &ConversionWorker::fileFinished);
        QSignalSpy failed(&worker, &ConversionWorker::failed);
        QSignalSpy finished(&worker, &ConversionWorker::finished);
        QSignalSpy done(&worker, &ConversionWorker::done);
        worker.run();
        QCOMPARE(finishedFiles.size(), 1);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed[0][0].toString(), u("打开文件失败！"));
        QCOMPARE(failed[0][2].toString(), inputs[1]);
        QCOMPARE(finished.size(), 0);
        QCOMPARE(done.size(), 1);
        QVERIFY(test::wavHeaderMatchesFile(out.read(u("1.spx.wav"))));
        QVERIFY(!QFile::exists(out.file(u("3.spx.wav"))));
    }

    void workerFailsWhenInputEndsEarly()
    {
        // 200 chunks announced; after the first one the file is cut to 60 and a half chunks.
        TempFolder dir;
        TempFolder out;
        const QStringList inputs{
            dir.write(u("cut 截短.spx"),
                      spx::makeRecording(header(false), QByteArray(100000, '\0'))),
            dir.write(u("next.spx"), speechRecording(false, 1000))};
        std::atomic<int> flag{1};
        ConversionWorker worker(ConversionWorker::Kind::All, inputs, out.path(), 203, flag);
        bool cut = false;
        connect(&worker, &ConversionWorker::progress, &worker, [&](int fileChunks, qint64) {
            if (fileChunks == 1 && !cut)
                cut = QFile::resize(inputs[0], 19 + 60 * 500 + 250);
        });
        QSignalSpy failed(&worker, &ConversionWorker::failed);
        QSignalSpy finished(&worker, &ConversionWorker::finished);
        worker.run();
        QVERIFY(cut);
        QCOMPARE(finished.size(), 0);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed[0][0].toString(), u("读取文件失败！"));
        QCOMPARE(failed[0][2].toString(), inputs[0]);
        const QByteArray wav = out.read(u("cut 截短.spx.wav"));
        QCOMPARE(wav.size(), 44 + 60 * 8000);
        QVERIFY(test::wavHeaderMatchesFile(wav));
        QVERIFY(!QFile::exists(out.file(u("next.spx.wav"))));
    }

    // A full disk in the middle of a WAV: the conversion fails with its message, nothing
    // half-written takes the WAV's name, and the WAV of an earlier conversion stays whole.
    void workerFailsOnFullDiskKeepingEarlierWav_data()
    {
        QTest::addColumn<qint64>("bytesLeft");
        QTest::addColumn<QString>("message");
        // Without a byte free not even the header can be written.
        QTest::newRow("no byte free") << qint64(0) << u("创建文件失败！");
        QTest::newRow("less than the WAV") << qint64(16384) << u("写入文件失败！");
    }
    void workerFailsOnFullDiskKeepingEarlierWav()
    {
        QFETCH(qint64, bytesLeft);
        QFETCH(QString, message);
        TempFolder dir;
        test::SmallFileSystem disk(dir.path(), 512);
        if (!disk.isMounted())
            TOVREL_SKIP_OUTSIDE_CI("mounting a small tmpfs is refused here");
        const QStringList inputs{dir.write(u("a.spx"), speechRecording(false, 5000)),
                                 dir.write(u("b.spx"), speechRecording(false, 1000))};
        const QString wavPath = disk.path() + u("a.spx.wav");
        {
            std::atomic<int> flag{1};
            ConversionWorker first(ConversionWorker::Kind::Selected, {inputs[0]}, disk.path(), 0,
                                   flag);
            QSignalSpy finished(&first, &ConversionWorker::finished);
            first.run();
            QCOMPARE(finished.size(), 1);
        }
        QFile earlierFile(wavPath);
        QVERIFY(earlierFile.open(QIODevice::ReadOnly));
        const QByteArray earlier = earlierFile.readAll();
        earlierFile.close();
        QCOMPARE(earlier.size(), 44 + 10 * 8000);
        QVERIFY(disk.fill(bytesLeft));

        std::atomic<int> flag{1};
        ConversionWorker worker(ConversionWorker::Kind::All, inputs, disk.path(), 13, flag);
        QSignalSpy failed(&worker, &ConversionWorker::failed);
        QSignalSpy finished(&worker, &ConversionWorker::finished);
        worker.run();
        QCOMPARE(finished.size(), 0);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed[0][0].toString(), message);
        QCOMPARE(failed[0][2].toString(), wavPath);
        QVERIFY(earlierFile.open(QIODevice::ReadOnly));
        QCOMPARE(earlierFile.readAll(), earlier);
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                 (QStringList{u("a.spx.wav"), u("filler")}));
    }

    void workerStopsBetweenFiles()
    {
        TempFolder dir;
        TempFolder out;
        const QStringList inputs{dir.write(u("1.spx"), speechRecording(false, 2000)),
                                 dir.write(u("2.spx"), speechRecording(false, 2000))};
        std::atomic<int> flag{1};
        ConversionWorker worker(ConversionWorker::Kind::All, inputs, out.path(), 9, flag);
        connect(&worker, &ConversionWorker::fileFinished, &worker, [&] { flag.store(0); });
        QSignalSpy finished(&worker, &ConversionWorker::finished);
        worker.run();
        QCOMPARE(finished.size(), 1);
        QVERIFY(QFile::exists(out.file(u("1.spx.wav"))));
        QVERIFY(!QFile::exists(out.file(u("2.spx.wav"))));
    }

    void runOnThreadStopsWhenDestroyed()
    {
        TempFolder dir;
        TempFolder out;
        // Long enough that the run is still going when it is destroyed.
        const QString in =
            dir.write(u("big.spx"), spx::makeRecording(header(false), QByteArray(4000000, '\0')));
        std::atomic<int> flag{1};
        auto *run = new ConversionRun(
            new ConversionWorker(ConversionWorker::Kind::All, {in}, out.path(), 1, flag));
        std::atomic<int> started{0};
        connect(
            run->worker(), &ConversionWorker::fileStarted, run->worker(),
            [&] { started.fetch_add(1); }, Qt::DirectConnection);
        run->start();
        QTRY_COMPARE_WITH_TIMEOUT(started.load(), 1, 20000);
        delete run;
        QCOMPARE(flag.load(), 0);
        const QByteArray wav = out.read(u("big.spx.wav"));
        QVERIFY(test::wavHeaderMatchesFile(wav));
        QVERIFY(wav.size() < 44 + 8000 * 8000);
    }
};

QTEST_GUILESS_MAIN(TestConversion)
#include "tst_conversion.moc"
