// The emulated telephone read on its own: literal command frames go in over its socket and
// literal answer frames must come out, so the emulator's framing and its reading of the command
// bytes are checked against the bytes themselves, not against the program's link.

#include "RecordBytes.h"
#include "TestFolders.h"

#include "EmulatorLauncher.h"

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QTest>

#include <memory>

using namespace tovrel::emulator;
using tovrel::test::TempFolder;

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (const int v : values)
        b.append(char(v));
    return b;
}

QByteArray counting(int from, int step)
{
    QByteArray b;
    for (int i = 0; i < 256; ++i)
        b.append(char((from + step * i) & 0xFF));
    return b;
}

// Two long-form recordings of 256 payload bytes each, at 0x12300 and 0x12400.
RecordFields recordAt(quint32 address)
{
    RecordFields fields;
    fields.longForm = true;
    fields.month = 3;
    fields.day = 15;
    fields.number = QStringLiteral("2087654321");
    fields.startAddress = address;
    fields.payloadLength = 256;
    return fields;
}

const QByteArray kFirstPayload = counting(0, 1);
const QByteArray kSecondPayload = counting(255, -1);

// The count command in its frame, and its answer with the two recordings served.
const QByteArray kCountFrame = bytes({8, 0, 1, 0, 0, 0, 0, 0, 0, 0});
const QByteArray kCountAnswer = bytes({2, 0, 2, 0});

} // namespace

class TestPhoneEmulator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_folder.write(QStringLiteral("a.spx"), encodeRecord(recordAt(0x12300)) + kFirstPayload);
        m_folder.write(QStringLiteral("b.spx"), encodeRecord(recordAt(0x12400)) + kSecondPayload);
        m_emulator = std::make_unique<EmulatorLauncher>(QStringLiteral(TOVREL_PHONE_EMULATOR));
        QVERIFY2(m_emulator->start({QStringLiteral("--recordings"), m_folder.path(),
                                    QStringLiteral("--password"), QStringLiteral("9137")}),
                 qPrintable(m_emulator->error()));
    }

    // Each row's frames are followed by a count command, so a frame that must get no answer
    // shows as nothing before the count's answer.
    void answersLiteralCommands_data()
    {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("count") << QByteArray() << QByteArray();
        QTest::newRow("password: digits, thousands first")
            << bytes({8, 0, 4, 0, 0, 0, 0, 0, 0, 0}) << bytes({4, 0, 9, 1, 3, 7});
        QTest::newRow("record 1: index low byte first")
            << bytes({8, 0, 2, 1, 0, 0, 0, 0, 0, 0})
            << bytes({32, 0}) + encodeRecord(recordAt(0x12400));
        QTest::newRow("record 256: past the end reads erased")
            << bytes({8, 0, 2, 0, 1, 0, 0, 0, 0, 0}) << bytes({32, 0}) + QByteArray(32, '\xFF');
        QTest::newRow("data 8 at 0x12310: address and count low byte first")
            << bytes({8, 0, 3, 0x10, 0x23, 0x01, 0x00, 8, 0, 0})
            << bytes({8, 0}) + kFirstPayload.mid(16, 8);
        QTest::newRow("data 256 at 0x12380: a 256-byte frame across both payloads")
            << bytes({8, 0, 3, 0x80, 0x23, 0x01, 0x00, 0, 1, 0})
            << bytes({0, 1}) + kFirstPayload.mid(128) + kSecondPayload.left(128);
        QTest::newRow("data outside every recording reads erased")
            << bytes({8, 0, 3, 0x00, 0xFF, 0xFF, 0xFF, 4, 0, 0})
            << bytes({4, 0}) + QByteArray(4, '\xFF');
        QTest::newRow("data of 0 bytes: no answer")
            << bytes({8, 0, 3, 0x00, 0x23, 0x01, 0x00, 0, 0, 0}) << QByteArray();
        QTest::newRow("data of 257 bytes: no answer")
            << bytes({8, 0, 3, 0x00, 0x23, 0x01, 0x00, 1, 1, 0}) << QByteArray();
        QTest::newRow("unknown command: no answer")
            << bytes({8, 0, 9, 0, 0, 0, 0, 0, 0, 0}) << QByteArray();
        QTest::newRow("frame shorter than a command: no answer")
            << bytes({3, 0, 1, 0, 0}) << QByteArray();
        QTest::newRow("two frames in one write, answered in order")
            << bytes({8, 0, 4, 0, 0, 0, 0, 0, 0, 0}) + bytes({8, 0, 2, 0, 0, 0, 0, 0, 0, 0})
            << bytes({4, 0, 9, 1, 3, 7}) + bytes({32, 0}) + encodeRecord(recordAt(0x12300));
    }
    void answersLiteralCommands()
    {
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, answer);
        QLocalSocket socket;
        socket.connectToServer(m_emulator->socketName());
        QVERIFY2(socket.waitForConnected(5000), qPrintable(socket.errorString()));
        // Every byte on its own write: the emulator must gather a frame from its pieces.
        const QByteArray stream = sent + kCountFrame;
        for (const char c : stream) {
            socket.write(&c, 1);
            QVERIFY(socket.waitForBytesWritten(5000));
        }
        const QByteArray expected = answer + kCountAnswer;
        QByteArray received;
        const QDeadlineTimer deadline(10000);
        while (received.size() < expected.size() && !deadline.hasExpired()) {
            socket.waitForReadyRead(100);
            received.append(socket.readAll());
        }
        QCOMPARE(received.toHex(' '), expected.toHex(' '));
    }

private:
    TempFolder m_folder;
    std::unique_ptr<EmulatorLauncher> m_emulator;
};

QTEST_GUILESS_MAIN(TestPhoneEmulator)
#include "tst_phoneemulator.moc"
