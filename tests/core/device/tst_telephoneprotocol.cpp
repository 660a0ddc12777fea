// The telephone's command bytes, the socket frames and the password rules.

#include "device/Frame.h"
#include "device/PasswordCheck.h"
#include "device/TelephoneCommands.h"
#include "device/TelephoneLink.h"

#include <QDeadlineTimer>
#include <QSemaphore>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <atomic>

using namespace tovrel;

Q_DECLARE_METATYPE(tovrel::CommandBytes)

namespace {

CommandBytes bytes(std::initializer_list<int> values)
{
    CommandBytes b{};
    int i = 0;
    for (const int v : values)
        b[size_t(i++)] = quint8(v);
    return b;
}

// A telephone that answers every read with a short-form record until the link is given up, as
// both libraries then fail every transfer.
class AnsweringUsb final : public UsbLibrary
{
public:
    quint32 deviceCount() override { return 1; }
    void setTimeouts(int, int) override {}
    bool open(int) override { return !(m_aborted = false); }
    void flush() override {}
    bool write(QByteArrayView) override
    {
        written.release();
        return !m_aborted;
    }
    bool read(char *buffer, int count, int *received) override
    {
        *received = std::min(count, int(kShortRecordLength));
        std::fill_n(buffer, *received, '\x01');
        return !m_aborted;
    }
    void close() override {}
    void abortTransfers() override { m_aborted = true; }
    bool isOpen() const override { return true; }
    QSemaphore written; // one per command sent

private:
    std::atomic<bool> m_aborted{false};
};

} // namespace

class TestTelephoneProtocol : public QObject
{
    Q_OBJECT

private slots:
    void commandBytes_data()
    {
        QTest::addColumn<CommandBytes>("actual");
        QTest::addColumn<CommandBytes>("expected");
        QTest::newRow("count") << countCommand() << bytes({1, 0, 0, 0, 0, 0, 0, 0});
        QTest::newRow("password") << passwordCommand() << bytes({4, 0, 0, 0, 0, 0, 0, 0});
        QTest::newRow("record 0") << recordCommand(0) << bytes({2, 0, 0, 0, 0, 0, 0, 0});
        QTest::newRow("record 255") << recordCommand(255) << bytes({2, 255, 0, 0, 0, 0, 0, 0});
        QTest::newRow("record 256") << recordCommand(256) << bytes({2, 0, 1, 0, 0, 0, 0, 0});
        QTest::newRow("record 10000")
            << recordCommand(10000) << bytes({2, 0x10, 0x27, 0, 0, 0, 0, 0});
        QTest::newRow("record 65533")
            << recordCommand(65533) << bytes({2, 0xFD, 0xFF, 0, 0, 0, 0, 0});
        QTest::newRow("record 65536 wraps")
            << recordCommand(65536) << bytes({2, 0, 0, 0, 0, 0, 0, 0});
        QTest::newRow("data 256 at 0") << dataCommand(0, 256) << bytes({3, 0, 0, 0, 0, 0, 1, 0});
        QTest::newRow("data 1 at 0x12345678")
            << dataCommand(0x12345678, 1) << bytes({3, 0x78, 0x56, 0x34, 0x12, 1, 0, 0});
        QTest::newRow("data 200 at top")
            << dataCommand(0xFFFFFF00, 200) << bytes({3, 0, 0xFF, 0xFF, 0xFF, 200, 0, 0});
    }
    void commandBytes()
    {
        QFETCH(CommandBytes, actual);
        QFETCH(CommandBytes, expected);
        QCOMPARE(actual, expected);
    }

    // The pause the upload gives the telephone before a record's answer ends as soon as the link
    // is given up (the window closes), and the record then fails.
    void pauseEndsWhenLinkGivenUp()
    {
        auto owned = std::make_unique<AnsweringUsb>();
        AnsweringUsb *usb = owned.get();
        TelephoneLink link(std::move(owned));
        QVERIFY(link.openStep());
        link.RecordLength = kShortRecordLength;
        QVERIFY(link.readRecord(0, 1).ok());
        LinkResult<QByteArray> result;
        std::unique_ptr<QThread> reader(
            QThread::create([&] { result = link.readRecord(1, 3600 * 1000); }));
        reader->start();
        usb->written.acquire(2); // the record command is out: the pause follows
        link.abortTransfers();
        // An hour's pause that still held the reader would hold it far beyond this.
        QVERIFY(reader->wait(QDeadlineTimer(60000)));
        QVERIFY(!result.ok());
    }

    void frames()
    {
        QCOMPARE(frame::encode(QByteArray("\x01\x02\x03", 3)),
                 QByteArray("\x03\x00\x01\x02\x03", 5));
        QCOMPARE(frame::encode(QByteArray()), QByteArray("\x00\x00", 2));
        QByteArray big(300, 'a');
        QCOMPARE(frame::encode(big).left(2), QByteArray("\x2c\x01", 2));

        // Two frames arriving in pieces come apart whole and in order.
        QByteArray stream = frame::encode("abc") + frame::encode("") + frame::encode(big);
        QByteArray buffer;
        QList<QByteArray> got;
        for (const char c : std::as_const(stream)) {
            buffer.append(c);
            while (const auto f = frame::take(buffer))
                got.append(*f);
        }
        QCOMPARE(got, (QList<QByteArray>{"abc", "", big}));
        QVERIFY(buffer.isEmpty());

        // Frames as literal bytes: the length is read low byte first, and the last frame,
        // still short of its payload, stays in the buffer.
        QByteArray wire = QByteArray("\x02\x00\x05\x00", 4) + QByteArray("\x2c\x01", 2) + big +
                          QByteArray("\x04\x00\x09\x01", 4);
        QCOMPARE(frame::take(wire).value_or("none"), QByteArray("\x05\x00", 2));
        QCOMPARE(frame::take(wire).value_or("none"), big);
        QVERIFY(!frame::take(wire));
        QCOMPARE(wire, QByteArray("\x04\x00\x09\x01", 4));
    }

    void passwordValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << QStringLiteral("9137") << 9137;
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("leading blanks") << QStringLiteral("  12") << 12;
        QTest::newRow("plus") << QStringLiteral("+123") << 123;
        QTest::newRow("minus") << QStringLiteral("-123") << -123;
        QTest::newRow("digits then letters") << QStringLiteral("12ab") << 12;
        QTest::newRow("letters") << QStringLiteral("abcd") << 0;
        QTest::newRow("sign only") << QStringLiteral("-") << 0;
        QTest::newRow("huge saturates") << QStringLiteral("99999999999") << 2147483647;
    }
    void passwordValue()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(tovrel::passwordValue(text), value);
    }

    void passwordMatches_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("telephone");
        QTest::addColumn<bool>("accepted");
        const QByteArray p9137("\x09\x01\x03\x07", 4);
        const QByteArray p0012("\x00\x00\x01\x02", 4);
        const QByteArray p0000("\x00\x00\x00\x00", 4);
        QTest::newRow("right") << QStringLiteral("9137") << p9137 << true;
        QTest::newRow("wrong") << QStringLiteral("9138") << p9137 << false;
        QTest::newRow("short with same value") << QStringLiteral("12") << p0012 << false;
        QTest::newRow("leading zeros typed") << QStringLiteral("0012") << p0012 << true;
        QTest::newRow("number then letters") << QStringLiteral("12ab") << p0012 << true;
        QTest::newRow("empty") << QString() << p0000 << false;
        QTest::newRow("letters count as 0") << QStringLiteral("abcd") << p0000 << true;
        QTest::newRow("negative never") << QStringLiteral("-012") << p0012 << false;
        QTest::newRow("blank and digits")
            << QStringLiteral(" 137") << QByteArray("\x00\x01\x03\x07", 4) << true;
        QTest::newRow("five characters") << QStringLiteral("91370") << p9137 << false;
    }
    void passwordMatches()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, telephone);
        QFETCH(bool, accepted);
        std::array<quint8, 4> digits{};
        for (int i = 0; i < 4; ++i)
            digits[size_t(i)] = quint8(telephone[i]);
        QCOMPARE(tovrel::passwordMatches(text, digits), accepted);
    }

    void negativeDigitsAreOutOfRange()
    {
        const auto d = passwordDigits(-123);
        QCOMPARE(d[0], quint8(0));
        QCOMPARE(d[1], quint8(0xFF)); // -1
        QCOMPARE(d[2], quint8(0xFE)); // -2
        QCOMPARE(d[3], quint8(0xFD)); // -3
    }

    void errorTexts()
    {
        QCOMPARE(linkErrorText(LinkError::Write), QString::fromUtf8("USB写命令错误"));
        QCOMPARE(linkErrorText(LinkError::Read), QString::fromUtf8("USB读数据错误"));
        QVERIFY(linkErrorText(LinkError::None).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTelephoneProtocol)
#include "tst_telephoneprotocol.moc"
