// The upload worker against the emulator process: files byte for byte, packet splitting,
// cancel, and every fault that could lose or damage a recording.

#include "PhoneFixture.h"
#include "SkipOutsideCi.h"
#include "SmallFileSystem.h"
#include "TestFolders.h"
#include "TestText.h"

#include "activity/ActivityFlags.h"
#include "device/LinkFlags.h"
#include "device/TStorageSingleThread.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <atomic>

using namespace tovrel;
using namespace tovrel::test;

namespace {

using tovrel::test::u;

struct UploadOutcome
{
    QStringList messages;
    bool idle = false;
    bool complete = false;
    int packetMax = -1;
};

UploadOutcome upload(const std::shared_ptr<TelephoneLink> &link, const QString &folder,
                     const QList<int> &indices, int pauseMs = 0)
{
    UploadOutcome out;
    TStorageSingleThread worker(link, folder, indices);
    worker.setRecordPauseMs(pauseMs);
    QObject::connect(&worker, &TStorageSingleThread::message,
                     [&](const QString &text) { out.messages.append(text); });
    QObject::connect(&worker, &TStorageSingleThread::packetRangeChanged,
                     [&](int max) { out.packetMax = max; });
    QObject::connect(&worker, &TStorageSingleThread::ended, [&](bool idle, bool complete) {
        out.idle = idle;
        out.complete = complete;
    });
    worker.Execute();
    return out;
}

QString notWhole(const QStringList &names)
{
    return u("以下文件没有完整上传：\n") + names.join(u'\n');
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

class TestUpload : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempFolder> m_dir;
    QString m_phoneDir;
    QString m_target;

    bool startPhone(Phone &phone, const QList<FixtureRecording> &recordings,
                    const QStringList &extra = {}, int timeoutMs = 1000)
    {
        writeRecordings(m_phoneDir, recordings);
        return phone.start(
            QStringList{QStringLiteral("--recordings"), m_phoneDir, QStringLiteral("--verbose")} +
                extra,
            timeoutMs);
    }

private slots:
    void init()
    {
        resetActivityFlags();
        resetLinkFlags();
        UsbLoggedIn = 1;
        m_dir = std::make_unique<TempFolder>();
        m_phoneDir = m_dir->path() + QStringLiteral("phone");
        m_target = m_dir->path() + QStringLiteral("record/");
    }
    void cleanup()
    {
        m_dir.reset();
        resetLinkFlags();
        resetActivityFlags();
    }

    void selectionByteForByte_data()
    {
        QTest::addColumn<bool>("longForm");
        QTest::addColumn<QList<quint32>>("lengths");
        QTest::newRow("short") << false << QList<quint32>{0, 257, 1000, 3000};
        QTest::newRow("long") << true << QList<quint32>{0, 256, 1280, 2560};
    }
    void selectionByteForByte()
    {
        QFETCH(bool, longForm);
        QFETCH(QList<quint32>, lengths);
        const auto recordings = makeRecordings(lengths, longForm);
        Phone phone;
        QVERIFY2(startPhone(phone, recordings), qPrintable(phone.error()));
        const UploadOutcome out = upload(phone.link(), m_target, {0, 2, 3}, 100);
        QCOMPARE(out.messages, QStringList{u("所选择的文件上传结束")});
        QVERIFY(out.idle);
        QVERIFY(out.complete);
        QCOMPARE(filesIn(m_target),
                 (QStringList{recordings[0].fileName(1), recordings[2].fileName(3),
                              recordings[3].fileName(4)}));
        for (const int i : {0, 2, 3})
            QCOMPARE(m_dir->read(QStringLiteral("record/") + recordings[i].fileName(i + 1)),
                     recordings[i].bytes());
        QCOMPARE(Uploading.load(), 0);
    }

    void packetsOf257Bytes()
    {
        const auto recordings = makeRecordings({257}, false);
        Phone phone;
        QVERIFY2(startPhone(phone, recordings), qPrintable(phone.error()));
        const UploadOutcome out = upload(phone.link(), m_target, {0});
        QCOMPARE(out.packetMax, 2);
        QVERIFY(out.complete);
        const quint32 a = recordings[0].header.startAddress;
        QTRY_VERIFY2(phone.log().contains(QStringLiteral("data address %1 count 1\n").arg(a + 256)),
                     qPrintable(phone.log()));
        QVERIFY(phone.log().contains(QStringLiteral("data address %1 count 256\n").arg(a)));
    }

    void payloadLengthAllOnes()
    {
        const auto recordings = makeRecordings({0xFFFFFFFF}, false);
        Phone phone;
        QVERIFY2(startPhone(phone, recordings), qPrintable(phone.error()));
        const UploadOutcome out = upload(phone.link(), m_target, {0});
        QVERIFY(out.complete);
        QCOMPARE(out.packetMax, 0);
        const QByteArray file = m_dir->read(QStringLiteral("record/") + recordings[0].fileName(1));
        QCOMPARE(file.size(), 19);
        QCOMPARE(file.right(4), QByteArray(4, char(0xFF)));
    }

    void deviceIndexNotListPosition()
    {
        // Rows 1 and 3 of a list whose second record failed: the recordings asked for are
        // those of the rows' own indices.
        const auto recordings = makeRecordings({300, 600, 900}, false);
        Phone phone;
        QVERIFY2(startPhone(phone, recordings), qPrintable(phone.error()));
        const UploadOutcome out = upload(phone.link(), m_target, {2});
        QVERIFY(out.complete);
        QCOMPARE(filesIn(m_target), QStringList{recordings[2].fileName(3)});
        QCOMPARE(m_dir->read(QStringLiteral("record/") + recordings[2].fileName(3)),
                 recordings[2].bytes());
    }

    // A short packet ends its file like a failed one; nothing is padded with zeros, and the
    // next file still arrives whole.
    void shortAnswer()
    {
        const auto recordings = makeRecordings({1000, 600}, false);
        Phone phone;
        // Commands: probe, record 0, data 256, data 256 (short), ...
        QVERIFY2(
            startPhone(phone, recordings, {QStringLiteral("--short-after"), QStringLiteral("3")}),
            qPrintable(phone.error()));
        const UploadOutcome out = upload(phone.link(), m_target, {0, 1});
        // The last file arrived whole, the first did not: no completion text, a warning
        // naming the first file instead.
        QCOMPARE(out.messages, (QStringList{u("USB读数据错误"), u("以下文件没有完整上传：\n") +
                                                                    recordings[0].fileName(1)}));
        QVERIFY(!out.complete);
        const QByteArray first = m_dir->read(QStringLiteral("record/") + recordings[0].fileName(1));
        QCOMPARE(first, recordings[0].bytes().left(19 + 256));
        QCOMPARE(m_dir->read(QStringLiteral("record/") + recordings[1].fileName(2)),
                 recordings[1].bytes());
    }

    // An earlier complete copy survives a failed upload of the same recording.
    void earlierCopyKept_data()
    {
        QTest::addColumn<QStringList>("fault");
        QTest::addColumn<QString>("message");
        QTest::newRow("dropped answer")
            << QStringList{QStringLiteral("--drop-after"), QStringLiteral("3")}
            << u("USB读数据错误");
        QTest::newRow("short answer")
            << QStringList{QStringLiteral("--short-after"), QStringLiteral("3")}
            << u("USB读数据错误");
        QTest::newRow("unplugged mid-packet")
            << QStringList{QStringLiteral("--unplug-after"), QStringLiteral("3")}
            << u("USB读数据错误");
    }
    void earlierCopyKept()
    {
        QFETCH(QStringList, fault);
        QFETCH(QString, message);
        const auto recordings = makeRecordings({2000}, false);
        const QString name = QStringLiteral("record/") + recordings[0].fileName(1);
        {
            Phone phone;
            QVERIFY2(startPhone(phone, recordings), qPrintable(phone.error()));
            QVERIFY(upload(phone.link(), m_target, {0}).complete);
        }
        QCOMPARE(m_dir->read(name), recordings[0].bytes());
        Phone phone;
        QVERIFY2(startPhone(phone, recordings, fault, 300), qPrintable(phone.error()));
        const UploadOutcome out = upload(phone.link(), m_target, {0});
        QVERIFY(!out.complete);
        QCOMPARE(out.messages, (QStringList{message, notWhole({recordings[0].fileName(1)})}));
        QCOMPARE(m_dir->read(name), recordings[0].bytes());
        QCOMPARE(filesIn(m_target), QStringList{recordings[0].fileName(1)});
    }

    // Unplugged in the middle of a packet of the first file: that file keeps the header and
    // the packets received (no earlier copy existed), the next file cannot be asked for.
    void unpluggedDuringUpload()
    {
        const auto recordings = makeRecordings({1000, 600}, false);
        Phone phone;
        QVERIFY2(startPhone(phone, recordings,
                            {QStringLiteral("--unplug-after"), QStringLiteral("4")}, 300),
                 qPrintable(phone.error()));
        const UploadOutcome out = upload(phone.link(), m_target, {0, 1});
        // The second file's record never arrived: it is named by its number.
        QCOMPARE(out.messages,
                 (QStringList{u("USB读数据错误"), u("USB写命令错误"),
                              notWhole({recordings[0].fileName(1), u("第2条录音")})}));
        QVERIFY(out.idle);
        QVERIFY(!out.complete);
        QCOMPARE(m_dir->read(QStringLiteral("record/") + recordings[0].fileName(1)),
                 recordings[0].bytes().left(19 + 512));
        QCOMPARE(filesIn(m_target), QStringList{recordings[0].fileName(1)});
    }

    void unpluggedBetweenFiles()
    {
        const auto recordings = makeRecordings({300, 600}, false);
        Phone phone;
        // probe, record 0, data, data: then the record command of the second file is cut.
        QVERIFY2(startPhone(phone, recordings,
                            {QStringLiteral("--unplug-after"), QStringLiteral("4")}, 300),
                 qPrintable(phone.error()));
        const UploadOutcome out = upload(phone.link(), m_target, {0, 1});
        QCOMPARE(out.messages, (QStringList{u("USB读数据错误"), notWhole({u("第2条录音")})}));
        QVERIFY(!out.complete);
        QCOMPARE(filesIn(m_target), QStringList{recordings[0].fileName(1)});
        QCOMPARE(m_dir->read(QStringLiteral("record/") + recordings[0].fileName(1)),
                 recordings[0].bytes());
    }

    void failedProbeEndsTheBatch()
    {
        const auto recordings = makeRecordings({300}, false);
        Phone phone;
        QVERIFY2(startPhone(phone, recordings,
                            {QStringLiteral("--drop-after"), QStringLiteral("0")}, 300),
                 qPrintable(phone.error()));
        const UploadOutcome out = upload(phone.link(), m_target, {0});
        QCOMPARE(out.messages, (QStringList{u("USB读数据错误"), notWhole({u("第1条录音")})}));
        QVERIFY(out.idle);
        QVERIFY(filesIn(m_target).isEmpty());
    }

    void cancelMidFile()
    {
        const auto recordings = makeRecordings({256 * 60, 300}, false);
        Phone phone;
        QVERIFY2(
            startPhone(phone, recordings, {QStringLiteral("--delay-ms"), QStringLiteral("20")}),
            qPrintable(phone.error()));
        auto *worker = new TStorageSingleThread(phone.link(), m_target, {0, 1});
        worker->setRecordPauseMs(0);
        QThread thread;
        worker->moveToThread(&thread);
        // Reported from the worker's thread, read here: atomics only.
        std::atomic<int> messageCount{0};
        std::atomic<int> packets{0};
        std::atomic<int> endedCount{0};
        std::atomic<bool> complete{true};
        QObject::connect(
            worker, &TStorageSingleThread::message, worker,
            [&](const QString &) { ++messageCount; }, Qt::DirectConnection);
        QObject::connect(
            worker, &TStorageSingleThread::packetProgress, worker,
            [&](int value) { packets = value; }, Qt::DirectConnection);
        QObject::connect(
            worker, &TStorageSingleThread::ended, worker,
            [&](bool, bool all) {
                complete = all;
                ++endedCount;
            },
            Qt::DirectConnection);
        QObject::connect(&thread, &QThread::started, worker, &TStorageSingleThread::Execute);
        thread.start();
        QTRY_VERIFY_WITH_TIMEOUT(packets.load() >= 3, 20000);
        worker->requestStop();
        QTRY_COMPARE_WITH_TIMEOUT(endedCount.load(), 1, 20000);
        thread.quit();
        thread.wait();
        delete worker;
        QCOMPARE(messageCount.load(), 0);
        QVERIFY(!complete.load());
        const QByteArray partial =
            m_dir->read(QStringLiteral("record/") + recordings[0].fileName(1));
        QVERIFY(partial.size() > 19 + 3 * 256);
        QVERIFY(partial.size() < recordings[0].bytes().size());
        QCOMPARE(partial, recordings[0].bytes().left(partial.size()));
        QCOMPARE(filesIn(m_target), QStringList{recordings[0].fileName(1)});
    }

    void folderCannotBeCreated()
    {
        const auto recordings = makeRecordings({300}, false);
        Phone phone;
        QVERIFY2(startPhone(phone, recordings), qPrintable(phone.error()));
        const QString blocker = m_dir->write(QStringLiteral("plainfile"), "x");
        const UploadOutcome out = upload(phone.link(), blocker + QStringLiteral("/sub/"), {0});
        QCOMPARE(out.messages, QStringList{u("创建文件夹错误")});
        QVERIFY(!out.idle);
    }

    void folderCreatedOneLevel()
    {
        const auto recordings = makeRecordings({300}, false);
        Phone phone;
        QVERIFY2(startPhone(phone, recordings), qPrintable(phone.error()));
        const UploadOutcome out = upload(phone.link(), m_target, {0});
        QVERIFY(out.complete);
        QVERIFY(QDir(m_target).exists());
    }

    // A full disk: a small tmpfs (the tests run as root in CI).
    void fullDisk()
    {
        SmallFileSystem disk(m_dir->path(), 32);
        if (!disk.isMounted())
            TOVREL_SKIP_OUTSIDE_CI("mounting a small tmpfs is refused here");
        const auto recordings = makeRecordings({2000, 60000, 300}, false);
        Phone phone;
        QVERIFY2(startPhone(phone, recordings), qPrintable(phone.error()));
        const QString target = disk.path();
        QVERIFY(upload(phone.link(), target, {0}).complete);
        const UploadOutcome out = upload(phone.link(), target, {1, 2});
        QCOMPARE(out.messages, (QStringList{u("写入文件错误"), notWhole({recordings[1].fileName(2),
                                                                         u("第3条录音")})}));
        QVERIFY(out.idle);
        QVERIFY(!out.complete);
        // The earlier file is whole and nothing half-written is left behind.
        QCOMPARE(filesIn(target), QStringList{recordings[0].fileName(1)});
        QFile first(target + recordings[0].fileName(1));
        QVERIFY(first.open(QIODevice::ReadOnly));
        QCOMPARE(first.readAll(), recordings[0].bytes());
    }

    // A data answer that comes late: its file ends short, and the late packet is waited out
    // instead of being taken for the next file's directory record. Every later file arrives
    // whole under its own name, and the batch is not reported as finished.
    void lateDataAnswerMidBatch()
    {
        const auto recordings = makeRecordings({1000, 600, 300}, false);
        Phone phone;
        // Commands: probe (1), record 0 (2), data (3), data (4) answered 1.5 s late.
        QVERIFY2(
            startPhone(phone, recordings,
                       {QStringLiteral("--late-once"), QStringLiteral("4"), QStringLiteral("1500")},
                       1000),
            qPrintable(phone.error()));
        const UploadOutcome out = upload(phone.link(), m_target, {0, 1, 2});
        QCOMPARE(out.messages,
                 (QStringList{u("USB读数据错误"), notWhole({recordings[0].fileName(1)})}));
        QVERIFY(out.idle);
        QVERIFY(!out.complete);
        QCOMPARE(filesIn(m_target),
                 (QStringList{recordings[0].fileName(1), recordings[1].fileName(2),
                              recordings[2].fileName(3)}));
        QCOMPARE(m_dir->read(QStringLiteral("record/") + recordings[0].fileName(1)),
                 recordings[0].bytes().left(19 + 256));
        for (const int i : {1, 2})
            QCOMPARE(m_dir->read(QStringLiteral("record/") + recordings[i].fileName(i + 1)),
                     recordings[i].bytes());
    }

    // A data answer so late that it arrives after the wait for it: it then meets the next
    // record command, and its 256 bytes are not a 19-byte record. That answer is a failed read,
    // never a file made of payload bytes; the batch stops there.
    void answerLaterThanTheWaitIsNoRecord()
    {
        const auto recordings = makeRecordings({1000, 600}, false);
        Phone phone;
        QVERIFY2(
            startPhone(phone, recordings,
                       {QStringLiteral("--late-once"), QStringLiteral("4"), QStringLiteral("2500")},
                       1000),
            qPrintable(phone.error()));
        const UploadOutcome out = upload(phone.link(), m_target, {0, 1});
        QCOMPARE(out.messages,
                 (QStringList{u("USB读数据错误"), u("USB读数据错误"),
                              notWhole({recordings[0].fileName(1), u("第2条录音")})}));
        QVERIFY(!out.complete);
        QCOMPARE(filesIn(m_target), QStringList{recordings[0].fileName(1)});
        QCOMPARE(m_dir->read(QStringLiteral("record/") + recordings[0].fileName(1)),
                 recordings[0].bytes().left(19 + 256));
    }

    // A full disk meets files smaller than any write buffer: the failure shows at the write or
    // at the sync, never after the rename. The earlier complete copy of a recording stays, no
    // temporary file is left, and the batch stops with the write error.
    void fullDiskKeepsEarlierCopy_data()
    {
        QTest::addColumn<qint64>("bytesLeft");
        QTest::newRow("no byte free") << qint64(0);
        QTest::newRow("a few blocks free") << qint64(8192);
    }
    void fullDiskKeepsEarlierCopy()
    {
        QFETCH(qint64, bytesLeft);
        SmallFileSystem disk(m_dir->path(), 256);
        if (!disk.isMounted())
            TOVREL_SKIP_OUTSIDE_CI("mounting a small tmpfs is refused here");
        const auto recordings = makeRecordings({300, 12000, 200}, false);
        Phone phone;
        QVERIFY2(startPhone(phone, recordings), qPrintable(phone.error()));
        const QString target = disk.path() + QStringLiteral("record/");
        QVERIFY(upload(phone.link(), target, {1}).complete);
        QVERIFY(disk.fill(bytesLeft));
        const UploadOutcome out = upload(phone.link(), target, {1, 2});
        QCOMPARE(out.messages.value(0), u("写入文件错误"));
        QVERIFY(!out.complete);
        QCOMPARE(filesIn(target), QStringList{recordings[1].fileName(2)});
        QFile earlier(target + recordings[1].fileName(2));
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), recordings[1].bytes());
    }

    void fileCannotBeCreated()
    {
        const auto recordings = makeRecordings({300, 300}, false);
        Phone phone;
        QVERIFY2(startPhone(phone, recordings), qPrintable(phone.error()));
        // A folder stands where the first file would go.
        QVERIFY(QDir().mkpath(m_target + recordings[0].fileName(1)));
        const UploadOutcome out = upload(phone.link(), m_target, {0, 1});
        QCOMPARE(out.messages, (QStringList{u("创建文件错误"), notWhole({recordings[0].fileName(1),
                                                                         u("第2条录音")})}));
        QVERIFY(out.idle);
        QVERIFY(!QFile::exists(m_target + recordings[1].fileName(2)));
    }
};

QTEST_GUILESS_MAIN(TestUpload)
#include "tst_upload.moc"
