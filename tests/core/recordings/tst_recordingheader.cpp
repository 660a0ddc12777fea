#include "recordings/RecordingHeader.h"

#include "TestFolders.h"
#include "TestText.h"

#include <QTest>

using namespace tovrel;
using tovrel::test::TempFolder;

namespace {

using tovrel::test::u;

// An outgoing call on the 30th at 23:58 (in 2031 for the long form, which carries a year).
RecordingHeader outgoing(bool longForm, int month, const QString &number, quint32 start,
                         quint32 length)
{
    RecordingHeader h;
    h.longForm = longForm;
    h.attribute = AttributeOutgoing;
    h.month = month;
    h.day = 30;
    h.hour = 23;
    h.minute = 58;
    h.year = longForm ? 2031 : 0;
    h.number = number;
    h.startAddress = start;
    h.payloadLength = length;
    return h;
}

// Header bytes written as hex, blanks ignored.
QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

} // namespace

class TestRecordingHeader : public QObject
{
    Q_OBJECT

private slots:
    void decode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("longForm");
        QTest::addColumn<int>("attribute");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("minute");
        QTest::addColumn<QString>("number");
        QTest::addColumn<quint32>("start");
        QTest::addColumn<quint32>("length");
        QTest::addColumn<int>("year");

        // 15 March 12:30, incoming, 1234567, start 0x1000, 1000 bytes.
        QTest::newRow("short, ordinary")
            << hex("0000 03 7B 1E 1234567FFFFF 00001000 000003E8") << false << 0 << 3 << 15 << 12
            << 30 << u("1234567") << quint32(0x1000) << quint32(1000) << 0;
        // Hour 23 = 10111b: three bits in byte 3, two in byte 4. Outgoing, December 31, :59.
        QTest::newRow("short, hour split across bytes")
            << hex("0000 4C FD FB 0FFFFFFFFFFF 00000000 00000001") << false << 1 << 12 << 31 << 23
            << 59 << u("0") << quint32(0) << quint32(1) << 0;
        QTest::newRow("short, length FFFFFFFF counts as 0")
            << hex("0000 82 08 00 FFFFFFFFFFFF 00000000 FFFFFFFF") << false << 2 << 2 << 1 << 0 << 0
            << QString() << quint32(0) << quint32(0) << 0;
        QTest::newRow("short, X and # nibbles, all 12 used")
            << hex("0000 C1 08 00 AB0123456789 00000000 00000000") << false << 3 << 1 << 1 << 0 << 0
            << u("X#0123456789") << quint32(0) << quint32(0) << 0;
        QTest::newRow("short, nothing validated")
            << hex("0000 3F 00 3F 00 00 00 00 00 00 00000000 00000000") << false << 0 << 15 << 0
            << 0 << 63 << u("000000000000") << quint32(0) << quint32(0) << 0;
        // Bytes 28..31 of a short-form file are payload bytes 9..12.
        QTest::newRow("short file whose payload looks like the long marker")
            << hex("0000 03 7B 1E 1234567FFFFF 00001000 000003E8 0102030405060708 09 FFFFFFFF")
            << true << 0 << 3 << 15 << 12 << 30 << u("") << quint32(0x12345600) << quint32(0x7FFF00)
            << 2006;
        QTest::newRow("FFFFFFFE is not the long marker")
            << hex("0000 03 7B 1E 1234567FFFFF 00001000 000003E8 0000000000000000 00 FFFFFFFE")
            << false << 0 << 3 << 15 << 12 << 30 << u("1234567") << quint32(0x1000) << quint32(1000)
            << 0;
        // Long form: start / 256 in 3 bytes, length / 256 in 2, 20 nibbles, year byte 24.
        QTest::newRow("long, ordinary")
            << hex("0000 81 7B 1E 000102 0004 13800138000FFFFFFFFF 00000000 1A 000000 FFFFFFFF")
            << true << 2 << 1 << 15 << 12 << 30 << u("13800138000") << quint32(0x10200)
            << quint32(1024) << 2026;
        QTest::newRow("long, year above 200 is 2000")
            << hex("0000 81 7B 1E 000000 0000 FFFFFFFFFFFFFFFFFFFF 00000000 C9 000000 FFFFFFFF")
            << true << 2 << 1 << 15 << 12 << 30 << QString() << quint32(0) << quint32(0) << 2000;
        QTest::newRow("long, 20 digits, no terminator")
            << hex("0000 81 7B 1E 000000 FFFF 12345678901234567890 00000000 C8 000000 FFFFFFFF")
            << true << 2 << 1 << 15 << 12 << 30 << u("12345678901234567890") << quint32(0)
            << quint32(0xFFFF00) << 2200;
        QTest::newRow("empty buffer reads as zeros")
            << QByteArray() << false << 0 << 0 << 0 << 0 << 0 << u("000000000000") << quint32(0)
            << quint32(0) << 0;
    }

    void decode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, longForm);
        const RecordingHeader h = decodeHeader(bytes);
        QCOMPARE(isLongForm(bytes), longForm);
        QCOMPARE(h.longForm, longForm);
        QCOMPARE(h.headerLength(), longForm ? 32 : 19);
        QTEST(h.attribute, "attribute");
        QTEST(h.month, "month");
        QTEST(h.day, "day");
        QTEST(h.hour, "hour");
        QTEST(h.minute, "minute");
        QTEST(h.number, "number");
        QTEST(h.startAddress, "start");
        QTEST(h.payloadLength, "length");
        QTEST(h.year, "year");
    }

    void texts_data()
    {
        QTest::addColumn<quint32>("length");
        QTest::addColumn<QString>("size");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("duration");
        QTest::addColumn<int>("chunks");

        QTest::newRow("empty") << quint32(0) << u("0K") << 0 << u("0 秒") << 1;
        QTest::newRow("one byte") << quint32(1) << u("1K") << 1 << u("1 秒") << 1;
        QTest::newRow("999") << quint32(999) << u("1K") << 1 << u("1 秒") << 2;
        QTest::newRow("1000") << quint32(1000) << u("1K") << 2 << u("2 秒") << 3;
        QTest::newRow("1023") << quint32(1023) << u("1K") << 2 << u("2 秒") << 3;
        QTest::newRow("1024") << quint32(1024) << u("2K") << 2 << u("2 秒") << 3;
        QTest::newRow("one minute") << quint32(59000) << u("58K") << 60 << u("1 分0 秒") << 119;
        QTest::newRow("59 seconds") << quint32(58999) << u("58K") << 59 << u("59 秒") << 118;
        QTest::newRow("one hour") << quint32(3599000) << u("3515K") << 3600 << u("1 时0 分0 秒")
                                  << 7199;
        QTest::newRow("hours, minutes, seconds")
            << quint32(3723000) << u("3636K") << 3724 << u("1 时2 分4 秒") << 7447;
        QTest::newRow("largest short length")
            << quint32(0xFFFFFFFE) << u("4194304K") << 4294968 << u("1193 时2 分48 秒") << 8589935;
    }

    void texts()
    {
        QFETCH(quint32, length);
        QTEST(sizeText(length), "size");
        QTEST(durationSeconds(length), "seconds");
        QTEST(durationText(durationSeconds(length)), "duration");
        QTEST(chunkCount(length), "chunks");
    }

    void dateTimeAndAttribute()
    {
        RecordingHeader h;
        h.month = 3;
        h.day = 5;
        h.hour = 7;
        h.minute = 9;
        QCOMPARE(dateTimeText(h), u(" 03月05日 07:09 "));
        h.month = 15;
        h.minute = 63;
        QCOMPARE(dateTimeText(h), u(" 15月05日 07:63 "));
        QCOMPARE(dateTimeText(RecordingHeader{}), u(" 00月00日 00:00 "));
        QCOMPARE(attributeText(0), u("来电"));
        QCOMPARE(attributeText(1), u("去电"));
        QCOMPARE(attributeText(2), u("录音"));
        QCOMPARE(attributeText(3), u("录音"));
    }

    void fileName_data()
    {
        QTest::addColumn<bool>("longForm");
        QTest::addColumn<QString>("number");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("name");

        QTest::newRow("short") << false << u("1234567") << 1 << u("03151230_0001_xxxxx1234567.spx");
        QTest::newRow("short, empty number")
            << false << QString() << 42 << u("03151230_0042_xxxxxxxxxxxx.spx");
        QTest::newRow("short, full number")
            << false << u("X#0123456789") << 9999 << u("03151230_9999_X#0123456789.spx");
        QTest::newRow("long") << true << u("13800138000") << 123
                              << u("03151230_0123_xxxxxxxxx13800138000.spx");
        QTest::newRow("position above 9999")
            << false << u("1") << 12345 << u("03151230_12345_xxxxxxxxxxx1.spx");
    }

    void fileName()
    {
        QFETCH(bool, longForm);
        QFETCH(QString, number);
        QFETCH(int, position);
        RecordingHeader h;
        h.longForm = longForm;
        h.month = 3;
        h.day = 15;
        h.hour = 12;
        h.minute = 30;
        h.number = number;
        const QString name = recordingFileName(h, position);
        QTEST(name, "name");
        if (position <= 9999)
            QCOMPARE(name.size(), longForm ? 38 : 30);
    }

    void encodeRoundTrip_data()
    {
        QTest::addColumn<bool>("longForm");
        QTest::addColumn<QString>("number");
        QTest::addColumn<quint32>("start");
        QTest::addColumn<quint32>("length");
        QTest::newRow("short") << false << u("02587654321") << quint32(0x123456) << quint32(12345);
        QTest::newRow("short, full number")
            << false << u("X#0123456789") << quint32(0) << quint32(0xFFFFFFFE);
        QTest::newRow("long") << true << u("8613800138000") << quint32(0x123400) << quint32(0x4500);
        QTest::newRow("long, 20 digits")
            << true << u("12345678901234567890") << quint32(0xFFFFFF00) << quint32(0xFFFF00);
    }

    void encodeRoundTrip()
    {
        QFETCH(bool, longForm);
        QFETCH(QString, number);
        QFETCH(quint32, start);
        QFETCH(quint32, length);
        const RecordingHeader h = outgoing(longForm, 11, number, start, length);
        const QByteArray bytes = encodeHeader(h);
        QCOMPARE(bytes.size(), longForm ? 32 : 19);
        QCOMPARE(decodeHeader(bytes), h);
    }

    // The bytes themselves, not only the way back: a fault shared by the encoder and the
    // decoder would pass the round trip.
    void encodeBytes_data()
    {
        QTest::addColumn<bool>("longForm");
        QTest::addColumn<QString>("number");
        QTest::addColumn<quint32>("start");
        QTest::addColumn<quint32>("length");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("short") << false << u("1234567") << quint32(0x1000) << quint32(1000)
                               << hex("0000 4E F5 FA 1234567FFFFF 00001000 000003E8");
        QTest::newRow("short, X and #, other characters dropped")
            << false << u("X-#0 1") << quint32(0) << quint32(0xFFFFFFFE)
            << hex("0000 4E F5 FA AB01FFFFFFFF 00000000 FFFFFFFE");
        QTest::newRow("long") << true << u("13800138000") << quint32(0x10200) << quint32(1024)
                              << hex("0000 4E F5 FA 000102 0004 13800138000FFFFFFFFF 00000000 "
                                     "1F 000000 FFFFFFFF");
        QTest::newRow("long, length rounded up to a page")
            << true << QString() << quint32(0x1234) << quint32(1000)
            << hex("0000 4E F5 FA 000012 0004 FFFFFFFFFFFFFFFFFFFF 00000000 1F 000000 FFFFFFFF");
    }

    void encodeBytes()
    {
        QFETCH(bool, longForm);
        QFETCH(QString, number);
        QFETCH(quint32, start);
        QFETCH(quint32, length);
        const RecordingHeader h = outgoing(longForm, 14, number, start, length);
        QTEST(encodeHeader(h), "bytes");
    }

    void encodeLongFormRoundsToPages()
    {
        RecordingHeader h;
        h.longForm = true;
        h.startAddress = 0x1234;
        h.payloadLength = 1000;
        const RecordingHeader back = decodeHeader(encodeHeader(h));
        QCOMPARE(back.startAddress, quint32(0x1200));
        QCOMPARE(back.payloadLength, quint32(1024));
    }

    void readFromFiles()
    {
        TempFolder dir;
        RecordingHeader h;
        h.month = 3;
        h.day = 15;
        h.number = u("1234567");
        h.payloadLength = 1000;
        const QString full =
            dir.write(u("完整 录音.spx"), hex("0000 03 78 00 1234567FFFFF 00000000 000003E8") +
                                              QByteArray(1000, '\x11'));
        QCOMPARE(readHeaderFile(full), h);

        // Shorter than 32 bytes: the missing bytes count as 0, so the header is short-form.
        const QString tiny = dir.write(u("tiny.spx"), hex("0000 03 7B"));
        const auto bytes = readHeaderBytes(tiny);
        QVERIFY(bytes);
        QCOMPARE(*bytes, hex("0000 03 7B") + QByteArray(28, '\0'));
        const auto t = readHeaderFile(tiny);
        QVERIFY(t);
        QCOMPARE(t->month, 3);
        QCOMPARE(t->number, u("000000000000"));
        QCOMPARE(t->payloadLength, quint32(0));

        QString error;
        QVERIFY(!readHeaderFile(dir.file(u("missing.spx")), &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRecordingHeader)
#include "tst_recordingheader.moc"
