// `tovrel device` without --emulator: the command-line front end on the libusb backend, the
// telephone emulated at the kernel's USB interface by this test process.

#include "ProgramRun.h"
#include "TelephoneWire.h"
#include "TestFolders.h"
#include "UsbTestLink.h"

#include <QDir>
#include <QProcess>
#include <QTest>

#include <algorithm>
#include <csignal>

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

// The watch started before the telephone: each arrival brings what the archive lacks, whole;
// the telephone's older recordings are not read again.
void TestUsbDeviceCli::watchHearsArrivals()
{
    TestSandbox sandbox;
    UmockdevPhone phone(generated(2, 700, false));
    QVERIFY2(phone.error().isEmpty(), qPrintable(phone.error()));
    phone.unplug();
    TempFolder target;
    QProcess watch;
    watch.start(tovrelProgram(),
                {QStringLiteral("device"), QStringLiteral("watch"), QStringLiteral("--to"),
                 target.path(), QStringLiteral("--password"), QStringLiteral("9137")});
    QVERIFY(watch.waitForStarted());
    // Every file's bytes, and every recording's, in byte order.
    auto archived = [&target] {
        QList<QByteArray> files;
        for (const QString &name : QDir(target.path()).entryList(QDir::Files | QDir::Hidden))
            files.append(target.read(name));
        std::sort(files.begin(), files.end());
        return files;
    };
    auto held = [&phone] {
        QList<QByteArray> whole;
        for (const auto &recording : phone.memory().recordings())
            whole.append(recording.record + recording.payload);
        std::sort(whole.begin(), whole.end());
        return whole;
    };
    QVERIFY(phone.plug());
    QTRY_COMPARE_WITH_TIMEOUT(archived(), held(), 20000);
    phone.unplug();
    // Away for longer than a look of the watch: a departure and return between two looks,
    // the same count before and after, is no new arrival to it.
    QTest::qWait(1500);
    QVERIFY(phone.load(generated(4, 700, false)));
    const qsizetype before = phone.commandCount();
    QVERIFY(phone.plug());
    QTRY_COMPARE_WITH_TIMEOUT(archived(), held(), 20000);
    for (const QByteArray &command : phone.commands().mid(before)) {
        const auto data = emulator::wire::parseCommand(command);
        QVERIFY(data && (!data->is(emulator::wire::Code::Data) ||
                         data->address >= phone.memory().recordings()[2].address));
    }
    QCOMPARE(::kill(pid_t(watch.processId()), SIGTERM), 0);
    QVERIFY(watch.waitForFinished(20000));
    QCOMPARE(watch.exitStatus(), QProcess::NormalExit);
    QCOMPARE(watch.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestUsbDeviceCli)
#include "tst_usbdevicecli.moc"
