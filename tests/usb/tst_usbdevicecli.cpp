// `tovrel device` without --emulator: the command-line front end on the libusb backend, the
// telephone emulated at the kernel's USB interface by this test process.

#include "PhoneFixture.h"
#include "ProgramRun.h"
#include "TelephoneWire.h"
#include "TestFolders.h"
#include "TestText.h"
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
    void watchHearsArrivals();
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

// The watch, started before the telephone, hears it come (hotplug): pulled out in the middle of
// its last recording, then back without its oldest recording and with two more, it fetches
// exactly the cut one and the two new ones; each call is then in the archive once, whole.
void TestUsbDeviceCli::watchHearsArrivals()
{
    TestSandbox sandbox;
    TempFolder target, phoneDir;
    const auto all = makeRecordings({700, 700, 700, 300, 300}, false);
    emulator::EmulatorOptions options;
    options.recordingsDir = phoneDir.path();
    QVERIFY(writeRecordings(phoneDir.path(), all.first(3)));
    UmockdevPhone phone(options);
    phone.unplug();
    QProcess watch;
    watch.start(tovrelProgram(),
                (u("device watch --password 9137 --to ") + target.path()).split(u' '));
    // Commands: password, count, probe, then a record and three packets each: out at the
    // second packet of the third recording.
    phone.vanishAt(13);
    QVERIFY(phone.plug());
    watch.setReadChannel(QProcess::StandardError); // the visit's line
    QTRY_VERIFY_WITH_TIMEOUT(watch.peek(4096).contains('\n'), 20000);
    QVERIFY(holdsExactly(target.path(), all.first(2)));
    phone.unplug();
    QDir(phoneDir.path()).removeRecursively();
    QVERIFY(writeRecordings(phoneDir.path(), all.mid(1)));
    QVERIFY(phone.load(options));
    const int before = phone.commandCount();
    QVERIFY(phone.plug());
    QTRY_VERIFY_WITH_TIMEOUT(holdsExactly(target.path(), all), 20000);
    for (const QByteArray &command : phone.commands().mid(before)) {
        const auto c = emulator::wire::parseCommand(command);
        QVERIFY(c && (!c->is(emulator::wire::Code::Data) ||
                      c->address >= phone.memory().recordings()[1].address));
    }
    watch.terminate(); // SIGTERM
    QVERIFY(watch.waitForFinished(20000));
    QCOMPARE(watch.exitCode(), 0); // ended by the signal itself, it would be the signal's number
}

QTEST_GUILESS_MAIN(TestUsbDeviceCli)
#include "tst_usbdevicecli.moc"
