// The telephone pulled out during a read and during an upload, and plugged in again.

#include "TestFolders.h"
#include "UsbTestLink.h"

#include "device/LinkFlags.h"
#include "device/PasswordCheck.h"
#include "device/TStorageSingleThread.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTest>

#include <future>

using namespace tovrel;
using namespace tovrel::test;

class TestUsbUnplug : public QObject
{
    Q_OBJECT

private slots:
    void duringARead();
    void duringAnUpload();
    void duringAList();
    void replug();
    void hotplugEndsWaits();
};

void TestUsbUnplug::duringARead()
{
    UmockdevPhone phone(generated(3, 100, false));
    QVERIFY2(phone.error().isEmpty(), qPrintable(phone.error()));
    auto link = openUsbLink(5000);
    QVERIFY(link);
    phone.vanishAt(0);

    // The waiting read ends with the device gone, not with the time-out.
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(link->readCount().error, LinkError::Read);
    QVERIFY2(clock.elapsed() < 4000, "the read waited for its time-out");
    phone.unplug();
    QTRY_COMPARE(link->deviceCount(), 0u);
    QCOMPARE(link->readCount().error, LinkError::Write);
}

void TestUsbUnplug::duringAnUpload()
{
    UmockdevPhone phone(generated(2, 1000, false));
    QVERIFY2(phone.error().isEmpty(), qPrintable(phone.error()));
    auto link = openUsbLink(5000);
    QVERIFY(link);
    // Commands: probe (0), record (1), data 0..3 (2..5): pulled out at the third packet.
    phone.vanishAt(4);
    TempFolder target;
    const UploadOutcome run = runUpload(link, target.path(), {0, 1});
    phone.unplug();

    QVERIFY(run.ended && !run.complete);
    QVERIFY(!run.messages.isEmpty());
    QCOMPARE(run.messages.first(), QString::fromUtf8("USB读数据错误"));
    // What was written is the first recording's first two packets at most, never more.
    const auto &first = phone.memory().recordings().first();
    const QByteArray whole = first.record + first.payload;
    const QStringList names = QDir(target.path()).entryList(QDir::Files);
    QVERIFY(names.size() <= 1);
    for (const QString &name : names) {
        const QByteArray bytes = target.read(name);
        QVERIFY(bytes.size() <= first.record.size() + 512);
        QVERIFY(whole.startsWith(bytes));
    }
}

// Pulled out while the list is read: the list ends at once with one message, not one per
// record left.
void TestUsbUnplug::duringAList()
{
    UmockdevPhone phone(generated(8, 100, false));
    QVERIFY2(phone.error().isEmpty(), qPrintable(phone.error()));
    auto link = openUsbLink(5000);
    QVERIFY(link);
    // Commands: count (0), probe (1), record 0..7 (2..9): pulled out at record 3.
    phone.vanishAt(5);
    const ListOutcome list = readTelephoneList(*link);
    phone.unplug();
    QVERIFY(!list.complete);
    QCOMPARE(list.rows, (QList<int>{0, 1, 2}));
    QCOMPARE(list.failures, QStringList{QString::fromUtf8("USB读数据错误")});
}

void TestUsbUnplug::replug()
{
    UmockdevPhone phone(generated(3, 100, false));
    QVERIFY2(phone.error().isEmpty(), qPrintable(phone.error()));
    auto link = openUsbLink(300);
    QVERIFY(link);
    QCOMPARE(checkPassword(*link, QStringLiteral("9137")).outcome, LoginOutcome::Accepted);

    phone.unplug();
    QTRY_COMPARE(link->deviceCount(), 0u);
    QCOMPARE(checkPassword(*link, QStringLiteral("9137")).outcome, LoginOutcome::LinkFailed);
    QVERIFY(!link->openStep());

    QVERIFY(phone.plug());
    QTRY_COMPARE(link->deviceCount(), 1u);
    QVERIFY(link->openStep());
    QCOMPARE(checkPassword(*link, QStringLiteral("9137")).outcome, LoginOutcome::Accepted);
    const auto count = link->readCount();
    QVERIFY(count.ok());
    QCOMPARE(count.value, 3);
}

// A wait longer than ctest lets the test run ends at each change and at another thread's wake.
void TestUsbUnplug::hotplugEndsWaits()
{
    UmockdevPhone phone(generated(1, 100, false));
    LibUsbLibrary usb(UmockdevPhone::kVendorId, UmockdevPhone::kProductId);
    QVERIFY(usb.hasHotplug());
    const std::function<void()> changes[] = {[&] { phone.unplug(); }, [&] { phone.plug(); },
                                             [&] { usb.wakeWaiters(); }};
    for (const auto &change : changes) {
        auto wait = std::async(std::launch::async, [&usb] { return usb.waitForChange(600000); });
        while (wait.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
            change();
        QVERIFY(wait.get());
    }
    QCOMPARE(usb.departures(), 1u); // heard leaving once
    QVERIFY(!usb.waitForChange(100));
}

QTEST_GUILESS_MAIN(TestUsbUnplug)
#include "tst_usbunplug.moc"
