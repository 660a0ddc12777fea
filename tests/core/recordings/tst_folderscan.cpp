#include "recordings/FolderScan.h"

#include "RecordBytes.h"
#include "TestFolders.h"
#include "TestText.h"

#include <QFile>
#include <QTest>

#include <sys/stat.h>

using namespace tovrel;
using tovrel::test::TempFolder;

namespace {

using tovrel::test::u;

// Records come from the emulated telephone's own encoder, not from the program's header code.
emulator::RecordFields header(bool longForm, int minute, quint32 length,
                              const char *number = "5551234")
{
    emulator::RecordFields h;
    h.longForm = longForm;
    h.attribute = 1; // outgoing
    h.month = 6;
    h.day = 1;
    h.hour = 9;
    h.minute = minute;
    h.year = 2026;
    h.number = QString::fromLatin1(number);
    h.payloadLength = length;
    return h;
}

} // namespace

class TestFolderScan : public QObject
{
    Q_OBJECT

private slots:
    void listsInNameOrderWithPaths()
    {
        TempFolder dir;
        // Written out of order; recording times play no part in the order.
        dir.write(u("b 录音.spx"), emulator::encodeRecord(header(false, 1, 1000)));
        dir.write(u("a.spx"), emulator::encodeRecord(header(false, 59, 59000)));
        dir.write(u("c.SPX"), emulator::encodeRecord(header(true, 30, 2048, "13800138000")));
        dir.write(u("notes.txt"), "x");
        dir.write(u("sub.spx/inner.spx"), "x"); // a folder is not a recording
        const FolderScanResult scan = scanRecordingFolder(dir.path());
        QVERIFY(!scan.message);
        QCOMPARE(scan.recordings.size(), 3);
        QCOMPARE(scan.recordings[0].fileName, u("a.spx"));
        QCOMPARE(scan.recordings[1].fileName, u("b 录音.spx"));
        QCOMPARE(scan.recordings[2].fileName, u("c.SPX"));
        QCOMPARE(scan.recordings[1].path, dir.file(u("b 录音.spx")));
        QVERIFY(scan.recordings[2].header.longForm);
        // 59000 / 500 + 1, 1000 / 500 + 1, 2048 / 500 + 1
        QCOMPARE(scan.conversionTotal, 119 + 3 + 5);
        QCOMPARE(recordingRowCells(2, scan.recordings[1].fileName, scan.recordings[1].header),
                 QStringList({u("2"), u("b 录音.spx"), u("5551234"), u(" 06月01日 09:01 "),
                              u("去电"), u("1K"), u("2 秒")}));
    }

    void nameIsNotDecoded()
    {
        TempFolder dir;
        dir.write(u("abc.spx"), emulator::encodeRecord(header(true, 7, 256, "12")));
        const FolderScanResult scan = scanRecordingFolder(dir.path());
        QCOMPARE(scan.recordings.size(), 1);
        QCOMPARE(recordingRowCells(1, u("abc.spx"), scan.recordings[0].header),
                 QStringList({u("1"), u("abc.spx"), u("12"), u(" 06月01日 09:07 "), u("去电"),
                              u("1K"), u("1 秒")}));
    }

    void shortFileListedFromZeros()
    {
        TempFolder dir;
        dir.write(u("tiny.spx"), QByteArray("\x00\x00", 2));
        const FolderScanResult scan = scanRecordingFolder(dir.path());
        QCOMPARE(scan.recordings.size(), 1);
        QCOMPARE(recordingRowCells(1, u("tiny.spx"), scan.recordings[0].header),
                 QStringList({u("1"), u("tiny.spx"), u("000000000000"), u(" 00月00日 00:00 "),
                              u("来电"), u("0K"), u("0 秒")}));
        QCOMPARE(scan.conversionTotal, 1);
    }

    // A folder without recordings is not a folder that is missing.
    void emptyOrMissingFolder_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QString>("message");
        QTest::newRow("no recording files") << true << u("此目录没有任何可支持的文件！");
        QTest::newRow("missing folder") << false << u("文件夹不存在!");
    }

    void emptyOrMissingFolder()
    {
        QFETCH(bool, exists);
        QFETCH(QString, message);
        TempFolder dir;
        dir.write(u("other.wav"), "x");
        const FolderScanResult scan =
            scanRecordingFolder(exists ? dir.path() : dir.file(u("nowhere/")));
        QVERIFY(scan.recordings.isEmpty());
        QCOMPARE(scan.message, message);
        QCOMPARE(scan.folder, exists ? FolderState::Read : FolderState::Missing);
        QCOMPARE(scan.conversionTotal, 0);
    }

    // Entries with a recording's name whose header cannot be read (a read that fails, a pipe, a
    // link that leads nowhere) are named with the unreadable files, never listed from a header
    // of zeros, and hide none of the files after them.
    void unreadFilesAreReported_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("read fails") << u("/proc/self/mem");
        QTest::newRow("pipe") << u("pipe");
        QTest::newRow("link to nothing") << u("nowhere");
    }

    void unreadFilesAreReported()
    {
        QFETCH(QString, kind);
        TempFolder dir;
        dir.write(u("a.spx"), emulator::encodeRecord(header(false, 1, 1000)));
        const QString odd = dir.file(u("odd.spx"));
        if (kind == u("pipe"))
            QCOMPARE(::mkfifo(QFile::encodeName(odd).constData(), 0644), 0);
        else
            QVERIFY(QFile::link(kind == u("nowhere") ? dir.file(kind) : kind, odd));
        dir.write(u("z.spx"), emulator::encodeRecord(header(false, 2, 1000)));
        const FolderScanResult scan = scanRecordingFolder(dir.path());
        QCOMPARE(scan.recordings.size(), 2);
        QCOMPARE(scan.recordings[0].fileName, u("a.spx"));
        QCOMPARE(scan.recordings[1].fileName, u("z.spx"));
        QCOMPARE(scan.unreadable.size(), 1);
        QCOMPARE(scan.unreadable[0].path, odd);
        QVERIFY(!scan.unreadable[0].reason.isEmpty());
        QCOMPARE(scan.message, u("以下文件无法读取：\nodd.spx"));
        QCOMPARE(scan.conversionTotal, 3 + 3);
    }

    // A name that is not valid UTF-8 (GBK "测试" here) is listed, shown with U+FFFD, and its row's
    // path opens the file.
    void nameNotUtf8()
    {
        TempFolder dir;
        const QByteArray record = emulator::encodeRecord(header(true, 5, 2048, "13800138000"));
        test::BytesNamedFile gbk(dir.path(), "\xb2\xe2\xca\xd4.spx", record);
        QVERIFY(gbk.isValid());
        const FolderScanResult scan = scanRecordingFolder(dir.path());
        QVERIFY2(!scan.message, qPrintable(scan.message.value_or(QString())));
        QCOMPARE(scan.recordings.size(), 1);
        QCOMPARE(recordingRowCells(1, scan.recordings[0].fileName, scan.recordings[0].header)[1],
                 QString(4, QChar::ReplacementCharacter) + u(".spx"));
        QCOMPARE(readHeaderBytes(scan.recordings[0].path), std::optional(record.left(32)));
    }

    // Whether each file is whole: exactly its header and the payload length the header gives
    // (long form: pages of 256 bytes; a short-form length of all ones is none). Any other length
    // is named with the bytes missing or left over; the file is listed all the same.
    void damageOfEachFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("damage");
        const QByteArray shortRecord = emulator::encodeRecord(header(false, 1, 1000));
        const QByteArray longRecord = emulator::encodeRecord(header(true, 1, 512));
        const QByteArray noLength = emulator::encodeRecord(header(false, 1, 0xFFFFFFFFu));
        const QString cut = u("文件太短，没有完整的文件头");
        QTest::newRow("whole, short form") << shortRecord + QByteArray(1000, 'a') << QString();
        QTest::newRow("whole, long form") << longRecord + QByteArray(512, 'a') << QString();
        QTest::newRow("whole, no payload")
            << emulator::encodeRecord(header(false, 1, 0)) << QString();
        QTest::newRow("all-ones length, nothing after") << noLength << QString();
        QTest::newRow("all-ones length, bytes after")
            << noLength + QByteArray(7, 'a') << u("文件过长：多出 7 字节");
        QTest::newRow("short form cut short")
            << shortRecord + QByteArray(400, 'a') << u("文件不完整：缺少 600 字节");
        QTest::newRow("short form, header only") << shortRecord << u("文件不完整：缺少 1000 字节");
        QTest::newRow("long form cut short")
            << longRecord + QByteArray(500, 'a') << u("文件不完整：缺少 12 字节");
        QTest::newRow("short form one byte over")
            << shortRecord + QByteArray(1001, 'a') << u("文件过长：多出 1 字节");
        QTest::newRow("long form over")
            << longRecord + QByteArray(600, 'a') << u("文件过长：多出 88 字节");
        QTest::newRow("short header, 18 bytes") << shortRecord.left(18) << cut;
        QTest::newRow("empty file") << QByteArray() << cut;
        QTest::newRow("month 14") << QByteArray(shortRecord).replace(2, 1, "\x0E") +
                                         QByteArray(1000, 'a')
                                  << u("文件头中的日期或时间不存在");
    }

    void damageOfEachFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, damage);
        TempFolder dir;
        dir.write(u("a.spx"), emulator::encodeRecord(header(false, 1, 10)) + QByteArray(10, 'a'));
        dir.write(u("b.spx"), bytes);
        const FolderScanResult scan = scanRecordingFolder(dir.path());
        QCOMPARE(scan.recordings.size(), 2);
        QCOMPARE(scan.recordings[0].damage, QString());
        QCOMPARE(scan.recordings[1].damage, damage);
        QVERIFY(!scan.message);
    }

    void manyFiles()
    {
        TempFolder dir;
        const QByteArray bytes = emulator::encodeRecord(header(false, 1, 1000));
        for (int i = 0; i < 10050; ++i)
            dir.write(QString::asprintf("%05d.spx", 10049 - i), bytes);
        const FolderScanResult scan = scanRecordingFolder(dir.path());
        QCOMPARE(scan.recordings.size(), 10050);
        QCOMPARE(scan.recordings.first().fileName, u("00000.spx"));
        QCOMPARE(scan.recordings.last().fileName, u("10049.spx"));
        QCOMPARE(scan.conversionTotal, 10050 * 3);
    }
};

QTEST_GUILESS_MAIN(TestFolderScan)
#include "tst_folderscan.moc"
