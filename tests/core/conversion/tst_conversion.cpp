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
        QTest::newRow("short header, 1000 bytes") << shortHeader + QByteArray(1000, '\0') << 2;
        QTest::newRow("short header, 1250 bytes") << shortHeader + QByteArray(1250, '\0') << 2;
        QTest::newRow("long header, 1499 bytes") << longHeader + QByteArray(1499, '\0') << 2;
        QTest::newRow("less than a chunk") << shortHeader + QByteArray(499, '\0') << 0;
        QByteArray lookalike = shortHeader + QByteArray(1012, '\0');
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
        ConversionWorker worker(inputs, out.path(), flag);
        QSignalSpy started(&worker, &ConversionWorker::fileStarted);
        QSignalSpy finishedFiles(&worker, &ConversionWorker::fileFinished);
        QSignalSpy progress(&worker, &ConversionWorker::progress);
        QSignalSpy finished(&worker, &ConversionWorker::finished);
        QSignalSpy failed(&worker, &ConversionWorker::failed);
        worker.run();
        QCOMPARE(started.size(), 2);
        QCOMPARE(started[0], QVariantList({u("a.spx"), 6, qint64(10)}));
        QCOMPARE(started[1], QVariantList({u("b 乙.spx"), 4, qint64(10)}));
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
        ConversionWorker worker(inputs, out.path(), flag);
        QSignalSpy progress(&worker, &ConversionWorker::progress);
        worker.run();
        QCOMPARE(progress.last(), QVariantList({2500, qint64(2500)}));
        QVERIFY2(progress.size() <= 1001, qPrintable(QString::number(progress.size())));
    }

    // The run's maximum is the chunks its files hold, whatever their headers, so its progress
    // reaches the maximum exactly when the last file is done.
    void workerProgressEndsAtMaximum_data()
    {
        QTest::addColumn<QList<QByteArray>>("recordings");
        QTest::addColumn<qint64>("chunks");
        const QByteArray shortHeader = emulator::encodeRecord(header(false));
        const QByteArray longHeader = emulator::encodeRecord(header(true));
        QTest::newRow("pieces under a chunk")
            << QList<QByteArray>{shortHeader + QByteArray(1250, '\0'),
                                 longHeader + QByteArray(1250, '\0'),
                                 shortHeader + QByteArray(499, '\0')}
            << qint64(2 + 2 + 0);
        QTest::newRow("whole chunks") << QList<QByteArray>{shortHeader + QByteArray(1000, '\0'),
                                                           longHeader + QByteArray(3000, '\0')}
                                      << qint64(2 + 6);
    }
    void workerProgressEndsAtMaximum()
    {
        QFETCH(QList<QByteArray>, recordings);
        QFETCH(qint64, chunks);
        TempFolder dir;
        TempFolder out;
        QStringList inputs;
        for (const QByteArray &r : recordings)
            inputs.append(dir.write(QString::number(inputs.size()) + u(".spx"), r));
        std::atomic<int> flag{1};
        ConversionWorker worker(inputs, out.path(), flag);
        QSignalSpy started(&worker, &ConversionWorker::fileStarted);
        QSignalSpy progress(&worker, &ConversionWorker::progress);
        worker.run();
        QCOMPARE(started.size(), recordings.size());
        for (const QVariantList &file : std::as_const(started))
            QCOMPARE(file[2].toLongLong(), chunks);
        QCOMPARE(progress.last()[1].toLongLong(), chunks);
    }

    void jobs_data()
    {
        QTest::addColumn<int>("jobs");
        QTest::newRow("1 job") << 1;
        QTest::newRow("2 jobs") << 2;
        QTest::newRow("5 jobs") << 5;
    }

    // Several jobs give the WAVs, the order and the signals of one job: every file's bytes are
    // those of a decode of the whole recording from its start, whatever ran beside it.
    void workerJobsGiveTheSameRun_data() { jobs_data(); }
    void workerJobsGiveTheSameRun()
    {
        QFETCH(int, jobs);
        TempFolder dir;
        TempFolder out;
        QStringList inputs;
        QList<QByteArray> payloads;
        // Long and short ones mixed, so that later files end before earlier ones.
        const int lengths[] = {9000, 500, 1200, 6100, 800, 3000, 700, 2500, 1000, 4200, 600};
        for (int i = 0; i < int(std::size(lengths)); ++i) {
            const QByteArray r = speechRecording(i % 3 == 1, lengths[i], unsigned(i + 1));
            payloads.append(r.mid(i % 3 == 1 ? 32 : 19));
            inputs.append(dir.write(u("录音 %1.spx").arg(i), r));
        }
        inputs.append(dir.write(u("sub/录音 3.spx"), speechRecording(false, 1500, 99)));
        payloads.append(dir.read(u("sub/录音 3.spx")).mid(19));
        std::atomic<int> flag{1};
        ConversionWorker worker(inputs, out.path(), flag, jobs);
        QList<QVariantList> signalsInOrder;
        connect(&worker, &ConversionWorker::fileStarted, &worker,
                [&](const QString &name, int chunks, qint64 maximum) {
                    signalsInOrder.append({u("started"), name, chunks, maximum});
                });
        connect(&worker, &ConversionWorker::fileFinished, &worker, [&](const QString &wav) {
            signalsInOrder.append({u("finished"), wav});
        });
        qint64 lastRunChunks = 0;
        bool runChunksGrow = true;
        connect(&worker, &ConversionWorker::progress, &worker, [&](int, qint64 runChunks) {
            runChunksGrow = runChunksGrow && runChunks >= lastRunChunks;
            lastRunChunks = runChunks;
        });
        QSignalSpy finished(&worker, &ConversionWorker::finished);
        worker.run();
        QCOMPARE(finished.size(), 1);
        QVERIFY(runChunksGrow);

        QList<QVariantList> expected;
        qint64 total = 0;
        for (const QByteArray &p : std::as_const(payloads))
            total += p.size() / 500;
        for (int i = 0; i < inputs.size(); ++i) {
            const QString wav = out.file(i + 1 < inputs.size() ? u("录音 %1.spx.wav").arg(i)
                                                               : u("录音 3 (2).spx.wav"));
            expected.append({u("started"), QFileInfo(inputs[i]).fileName(),
                             int(payloads[i].size() / 500), total});
            expected.append({u("finished"), wav});
            const QByteArray bytes = out.read(QFileInfo(wav).fileName());
            QVERIFY(test::wavHeaderMatchesFile(bytes));
            QVERIFY2(bytes.mid(44) ==
                         referenceDecode(payloads[i].left(payloads[i].size() / 500 * 500)),
                     qPrintable(wav));
        }
        QCOMPARE(signalsInOrder, expected);
        QCOMPARE(lastRunChunks, total);
        // No temporary file is left beside the WAVs.
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).size(), inputs.size());
    }

    // A file that cannot be opened ends the run there: the files before it are converted, none
    // after it takes its name, even when a job had converted it already.
    void workerEndsAtVanishedFile_data() { jobs_data(); }
    void workerEndsAtVanishedFile()
    {
        QFETCH(int, jobs);
        TempFolder dir;
        TempFolder out;
        const QStringList inputs{dir.write(u("1.spx"), speechRecording(false, 6000)),
                                 dir.file(u("2.spx")),
                                 dir.write(u("3.spx"), speechRecording(false, 2000)),
                                 dir.write(u("4.spx"), speechRecording(false, 500))};
        std::atomic<int> flag{1};
        ConversionWorker worker(inputs, out.path(), flag, jobs);
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
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u("1.spx.wav")});
    }

    // Input that gets shorter while it is converted: the WAV keeps the chunks read and its
    // header says so.
    void inputEndsEarly()
    {
        // 200 chunks announced; after the first one the file is cut to 60 and a half chunks.
        TempFolder dir;
        const QString in = dir.write(u("cut 截短.spx"),
                                     spx::makeRecording(header(false), QByteArray(100000, '\0')));
        std::atomic<int> go{1};
        SpeexDecoder decoder;
        FileConversionHooks hooks;
        bool cut = false;
        hooks.chunkDone = [&](int done) {
            if (done == 1)
                cut = QFile::resize(in, 19 + 60 * 500 + 250);
        };
        const FileConversion r = convertRecording(in, dir.file(u("cut.wav")), go, decoder, hooks);
        QVERIFY(cut);
        QCOMPARE(r.status, FileConversion::ReadFailed);
        QCOMPARE(r.chunksWritten, 60);
        const QByteArray wav = dir.read(u("cut.wav"));
        QCOMPARE(wav.size(), 44 + 60 * 8000);
        QVERIFY(test::wavHeaderMatchesFile(wav));
    }

    void workerFailsWhenInputEndsEarly_data() { jobs_data(); }
    void workerFailsWhenInputEndsEarly()
    {
        QFETCH(int, jobs);
        // 2000 chunks announced; once the file is under way it is cut to half a chunk.
        TempFolder dir;
        TempFolder out;
        const QStringList inputs{
            dir.write(u("cut 截短.spx"),
                      spx::makeRecording(header(false), QByteArray(1000000, '\0'))),
            dir.write(u("next.spx"), speechRecording(false, 1000))};
        std::atomic<int> flag{1};
        ConversionWorker worker(inputs, out.path(), flag, jobs);
        bool cut = false;
        connect(&worker, &ConversionWorker::fileStarted, &worker, [&](const QString &name) {
            if (name == u("cut 截短.spx"))
                cut = QFile::resize(inputs[0], 19 + 250);
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
        QVERIFY(wav.size() < 44 + 2000 * 8000);
        QVERIFY(test::wavHeaderMatchesFile(wav));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u("cut 截短.spx.wav")});
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
            ConversionWorker first({inputs[0]}, disk.path(), flag);
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
        // One job: with two, which of the files meets the full disk first is a race.
        ConversionWorker worker(inputs, disk.path(), flag, 1);
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

    // A stop ends the run at the file in hand: the files before it keep their WAVs and are
    // reported; the one in hand and every later one get none, also those a job had converted
    // already, and the earlier WAVs of their names stay byte for byte.
    void workerStopDropsTheFileInHand_data() { jobs_data(); }
    void workerStopDropsTheFileInHand()
    {
        QFETCH(int, jobs);
        TempFolder dir;
        TempFolder out;
        QStringList inputs;
        const auto name = [](int i) { return u("%1.spx").arg(i, 2, 10, QLatin1Char('0')); };
        for (int i = 0; i < 40; ++i) {
            inputs.append(dir.write(
                name(i), i == 1 ? spx::makeRecording(header(false), QByteArray(600000, '\0'))
                                : speechRecording(false, 1000 + 500 * (i % 4), unsigned(i + 1))));
            out.write(name(i) + u(".wav"), QByteArray::number(i));
        }
        std::atomic<int> flag{1};
        ConversionWorker worker(inputs, out.path(), flag, jobs);
        // The stop comes while the second (long) file is under way.
        connect(&worker, &ConversionWorker::progress, &worker, [&](int fileChunks) {
            if (fileChunks >= 10)
                flag.store(0);
        });
        QSignalSpy finishedFiles(&worker, &ConversionWorker::fileFinished);
        QSignalSpy finished(&worker, &ConversionWorker::finished);
        worker.run();
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finishedFiles.size(), 1);
        QCOMPARE(finishedFiles[0][0].toString(), out.file(u("00.spx.wav")));
        QCOMPARE(out.read(u("00.spx.wav")).mid(44), referenceDecode(dir.read(name(0)).mid(19)));
        for (int i = 1; i < 40; ++i)
            QCOMPARE(out.read(name(i) + u(".wav")), QByteArray::number(i));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).size(), 40);
    }

    // A file that is no recording, not a whole one, or whose speech is corrupted is told with
    // what became of its WAV, and the run goes on; such a WAV never replaces an earlier one.
    void workerTellsFilesNotWhole_data()
    {
        QTest::addColumn<QByteArray>("recording");
        QTest::addColumn<QByteArray>("earlier"); // an earlier WAV of its name, or none
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("chunks"); // in the WAV written; -1: none
        const QByteArray speech = spx::encodeSpeech(spx::syntheticSpeech(2000, 3));
        const QByteArray whole = spx::makeRecording(header(false), speech);
        emulator::RecordFields month14 = header(false);
        month14.month = 14;
        const QString cut = u("不是完整的录音（文件不完整：缺少 500 字节），");
        QTest::newRow("cut short")
            << whole.left(19 + 1500) << QByteArray() << cut + u("WAV 只含能转换的部分") << 3;
        QTest::newRow("cut short, earlier WAV")
            << whole.left(19 + 1500) << QByteArray("x")
            << cut + u("同名的 WAV 文件已存在，没有替换它") << -1;
        QTest::newRow("month 14") << spx::makeRecording(month14, speech) << QByteArray()
                                  << u("不是录音文件（文件头中的日期或时间不存在），没有转换")
                                  << -1;
        QTest::newRow("corrupted after two chunks")
            << spx::makeRecording(header(false), speech.left(1000) + QByteArray(1000, '\xFF'))
            << QByteArray() << u("录音数据已损坏，WAV 只含能转换的部分") << 2;
        QTest::newRow("corrupted from the start")
            << spx::makeRecording(header(false), QByteArray(2000, '\xF8')) << QByteArray()
            << u("录音数据已损坏，没有转换") << -1;
    }
    void workerTellsFilesNotWhole()
    {
        QFETCH(QByteArray, recording);
        QFETCH(QByteArray, earlier);
        QFETCH(QString, text);
        QFETCH(int, chunks);
        TempFolder dir;
        TempFolder out;
        const QStringList inputs{dir.write(u("a.spx"), recording),
                                 dir.write(u("b.spx"), speechRecording(false, 1000))};
        if (!earlier.isEmpty())
            out.write(u("a.spx.wav"), earlier);
        std::atomic<int> flag{1};
        ConversionWorker worker(inputs, out.path(), flag);
        QSignalSpy incomplete(&worker, &ConversionWorker::fileIncomplete);
        QSignalSpy finishedFiles(&worker, &ConversionWorker::fileFinished);
        QSignalSpy finished(&worker, &ConversionWorker::finished);
        worker.run();
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finishedFiles.size(), 1); // b.spx, after it
        const QString wav = out.file(u("a.spx.wav"));
        QCOMPARE(incomplete.size(), 1);
        QCOMPARE(incomplete[0], QVariantList({inputs[0], text, chunks < 0 ? QString() : wav}));
        if (chunks >= 0) {
            const QByteArray bytes = out.read(u("a.spx.wav"));
            QVERIFY(test::wavHeaderMatchesFile(bytes));
            QCOMPARE(bytes.mid(44), referenceDecode(recording.mid(19, chunks * 500)));
        } else {
            QCOMPARE(QFile::exists(wav) ? out.read(u("a.spx.wav")) : QByteArray(), earlier);
        }
    }

    void runOnThreadStopsWhenDestroyed()
    {
        TempFolder dir;
        TempFolder out;
        // Long enough that the run is still going when it is destroyed.
        const QString in =
            dir.write(u("big.spx"), spx::makeRecording(header(false), QByteArray(4000000, '\0')));
        out.write(u("big.spx.wav"), "earlier");
        std::atomic<int> flag{1};
        auto *run = new ConversionRun(new ConversionWorker({in}, out.path(), flag));
        std::atomic<int> started{0};
        connect(
            run->worker(), &ConversionWorker::fileStarted, run->worker(),
            [&] { started.fetch_add(1); }, Qt::DirectConnection);
        run->start();
        QTRY_COMPARE_WITH_TIMEOUT(started.load(), 1, 20000);
        delete run;
        QCOMPARE(flag.load(), 0);
        // The WAV in hand is dropped: the earlier one stays, and nothing beside it.
        QCOMPARE(out.read(u("big.spx.wav")), QByteArray("earlier"));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestConversion)
#include "tst_conversion.moc"
