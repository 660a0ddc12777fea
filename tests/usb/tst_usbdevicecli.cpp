// `tovrel device` without --emulator: the command-line front end on the libusb backend, the
// telephone emulated at the kernel's USB interface by this test process.

#include "ProgramRun.h"
#include "TestFolders.h"
#include "UsbTestLink.h"

#include <QDir>
#include <QProcess>
#include <QTest>

using namespace tovrel;
using namespace tovrel::test;

class TestUsbDeviceCli : public QObject
{
    Q_OBJECT

private slots:
    void listAndUpload();
    void wrongIdsFindNothing();
    void watchHearsArrival();
};

void TestUsbDeviceCli::listAndUpload()
{
    TestSandbox sandbox;
    emulator::EmulatorOptions options;
    options.generate = 3;
    options.payloadBytes = 600;
    UmockdevPhone phone(options);
    QVERIFY2(phone.error().isEmpty(), qPrintable(phone.error()));

    const ProgramRun list =
        runProgram(tovrelProgram(), {QStringLiteral("device"), QStringLiteral("list"),
                                     QStringLiteral("--password"), QStringLiteral("9137"),
                                     QStringLiteral("--timeout-ms"), QStringLiteral("2000")});
    QVERIFY2(list.exitCode == 0, qPrintable(list.err));
    QStringList expected;
    for (int i = 0; i < 3; ++i)
        expected.append(telephoneListRow(i, phone.memory().record(i), false).cells.join(u'\t'));
    QCOMPARE(list.out.split(u'\n', Qt::SkipEmptyParts), expected);

    TempFolder target;
    const ProgramRun upload = runProgram(
        tovrelProgram(), {QStringLiteral("device"), QStringLiteral("upload"),
                          QStringLiteral("--all"), QStringLiteral("--password"),
                          QStringLiteral("9137"), QStringLiteral("--to"), target.path()});
    QVERIFY2(upload.exitCode == 0, qPrintable(upload.err));
    const QStringList names = QDir(target.path()).entryList(QDir::Files, QDir::Name);
    QCOMPARE(names.size(), 3);
    QList<QByteArray> written;
    for (const QString &name : names)
        written.append(target.read(name));
    for (const auto &recording : phone.memory().recordings())
        QVERIFY(written.contains(recording.record + recording.payload));
}

void TestUsbDeviceCli::wrongIdsFindNothing()
{
    TestSandbox sandbox;
    sandbox.folder().write(QStringLiteral("config/tovrel/SysConf.ini"),
                           "[Device]\r\nVendorId=1234\r\n");
    emulator::EmulatorOptions options;
    options.generate = 1;
    UmockdevPhone phone(options);
    QVERIFY2(phone.error().isEmpty(), qPrintable(phone.error()));

    const ProgramRun list =
        runProgram(tovrelProgram(), {QStringLiteral("device"), QStringLiteral("list"),
                                     QStringLiteral("--password"), QStringLiteral("9137")});
    QCOMPARE(list.exitCode, 1);
    QCOMPARE(list.err.trimmed(), QString::fromUtf8("USB未连接"));
    QCOMPARE(phone.commandCount(), 0);
}

// The watch, started before the telephone: its arrival brings the recording whole; SIGTERM ends it.
void TestUsbDeviceCli::watchHearsArrival()
{
    TestSandbox sandbox;
    UmockdevPhone phone(generated(1, 700, false));
    phone.unplug();
    TempFolder target;
    QProcess watch;
    const QString args = QStringLiteral("device watch --password 9137 --to ") + target.path();
    watch.start(tovrelProgram(), args.split(u' '));
    QVERIFY2(phone.plug(), qPrintable(phone.error()));
    const auto &recording = phone.memory().recordings().first();
    auto archived = [&target] { // the one file's bytes
        const QStringList names = QDir(target.path()).entryList(QDir::Files | QDir::Hidden);
        return names.size() == 1 ? target.read(names[0]) : QByteArray();
    };
    QTRY_COMPARE_WITH_TIMEOUT(archived(), recording.record + recording.payload, 20000);
    watch.terminate(); // SIGTERM
    QVERIFY(watch.waitForFinished(20000));
    QCOMPARE(watch.exitCode(), 0); // ended by the signal itself, it would be the signal's number
}

QTEST_GUILESS_MAIN(TestUsbDeviceCli)
#include "tst_usbdevicecli.moc"
