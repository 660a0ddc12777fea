// The telephone's exchanges through the libusb backend: login, the list in both record forms,
// byte-exact uploads of both forms, and 256-byte answers that arrive in 64-byte packets.

#include "TestFolders.h"
#include "UsbTestLink.h"

#include "device/LinkFlags.h"
#include "device/PasswordCheck.h"
#include "device/TStorageSingleThread.h"
#include "device/TelephoneList.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace tovrel;
using namespace tovrel::test;

class TestUsbExchanges : public QObject
{
    Q_OBJECT

private slots:
    void login_data();
    void login();
    void list_data();
    void list();
    void upload_data();
    void upload();
    void fullPacketsMakeOneAnswer();
};

void TestUsbExchanges::login_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("the factory password")
        << QStringLiteral("9137") << QStringLiteral("9137") << true;
    QTest::newRow("one digit off") << QStringLiteral("9137") << QStringLiteral("9136") << false;
    QTest::newRow("leading zero typed") << QStringLiteral("0042") << QStringLiteral("0042") << true;
    QTest::newRow("leading zero left out")
        << QStringLiteral("0042") << QStringLiteral("42") << false;
}

void TestUsbExchanges::login()
{
    QFETCH(QString, stored);
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    auto options = generated(1, 100, false);
    options.password = stored;
    UmockdevPhone phone(options);
    QVERIFY2(phone.error().isEmpty(), qPrintable(phone.error()));
    auto link = openUsbLink();
    QVERIFY(link);

    const LoginResult result = checkPassword(*link, typed);
    QCOMPARE(result.outcome, accepted ? LoginOutcome::Accepted : LoginOutcome::Refused);
    QCOMPARE(phone.commands().size(), 1);
    QCOMPARE(quint8(phone.commands().first().at(0)), quint8(4));
}

void TestUsbExchanges::list_data()
{
    QTest::addColumn<bool>("longForm");
    QTest::addColumn<int>("count");

    QTest::newRow("short form") << false << 5;
    QTest::newRow("long form") << true << 5;
    QTest::newRow("empty telephone") << false << 0;
}

void TestUsbExchanges::list()
{
    QFETCH(bool, longForm);
    QFETCH(int, count);
    UmockdevPhone phone(generated(count, 700, longForm));
    QVERIFY2(phone.error().isEmpty(), qPrintable(phone.error()));
    auto link = openUsbLink();
    QVERIFY(link);

    TelephoneListReader reader(*link);
    QList<ReportRow> rows;
    QStringList failures;
    connect(&reader, &TelephoneListReader::rowRead, this,
            [&](const ReportRow &row) { rows.append(row); });
    connect(&reader, &TelephoneListReader::failure, this,
            [&](const QString &text) { failures.append(text); });
    QVERIFY(reader.run());
    QCOMPARE(failures, QStringList());
    QCOMPARE(link->RecordLength, longForm ? 32 : 19);
    QCOMPARE(rows.size(), count);
    for (int i = 0; i < count; ++i)
        QCOMPARE(rows[i].cells, telephoneListRow(i, phone.memory().record(i), longForm).cells);
}

void TestUsbExchanges::upload_data()
{
    QTest::addColumn<bool>("longForm");
    QTest::addColumn<qint64>("payload");

    QTest::newRow("short form, 700 bytes: 256 + 256 + 188") << false << qint64(700);
    QTest::newRow("long form, 1024 bytes: four full packets") << true << qint64(1024);
    QTest::newRow("short form, 257 bytes: 256 + 1") << false << qint64(257);
}

void TestUsbExchanges::upload()
{
    QFETCH(bool, longForm);
    QFETCH(qint64, payload);
    UmockdevPhone phone(generated(3, payload, longForm));
    QVERIFY2(phone.error().isEmpty(), qPrintable(phone.error()));
    auto link = openUsbLink();
    QVERIFY(link);
    TempFolder target;

    const UploadOutcome run = runUpload(link, target.path(), {0, 1, 2});
    QVERIFY2(run.complete, qPrintable(run.messages.join(u' ')));

    // Every file is the telephone's record followed by its payload, byte for byte.
    QList<QByteArray> expected;
    for (const auto &recording : phone.memory().recordings())
        expected.append(recording.record + recording.payload);
    QList<QByteArray> written;
    const QStringList names = QDir(target.path()).entryList(QDir::Files);
    for (const QString &name : names)
        written.append(target.read(name));
    QCOMPARE(written.size(), expected.size());
    for (const QByteArray &file : expected)
        QVERIFY2(written.contains(file), "a recording was not written byte for byte");
}

void TestUsbExchanges::fullPacketsMakeOneAnswer()
{
    UmockdevPhone phone(generated(1, 2048, true));
    QVERIFY2(phone.error().isEmpty(), qPrintable(phone.error()));
    auto link = openUsbLink();
    QVERIFY(link);
    const auto &recording = phone.memory().recordings().first();

    // 256 bytes leave the telephone as four 64-byte packets and make one read.
    for (int offset : {0, 256, 1792}) {
        const auto got = link->readData(recording.address + quint32(offset), 256);
        QVERIFY(got.ok());
        QCOMPARE(got.value, 256);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(link->DataBuffer.data()), 256),
                 recording.payload.mid(offset, 256));
    }
    // A 64-byte answer fills its packet exactly.
    const auto small = link->readData(recording.address + 64, 64);
    QVERIFY(small.ok());
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(link->DataBuffer.data()), 64),
             recording.payload.mid(64, 64));
}

QTEST_GUILESS_MAIN(TestUsbExchanges)
#include "tst_usbexchanges.moc"
