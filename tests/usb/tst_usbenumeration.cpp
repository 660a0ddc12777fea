// The libusb backend finds the telephone by the ids of SysConf.ini, and nothing else; it opens
// and claims it.

#include "TestFolders.h"
#include "UmockdevPhone.h"

#include "device/LibUsbLibrary.h"
#include "device/UsbLibrary.h"

#include <QTest>

#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>

using namespace tovrel;
using namespace tovrel::test;

namespace {

emulator::EmulatorOptions someRecordings()
{
    emulator::EmulatorOptions options;
    options.generate = 2;
    options.payloadBytes = 300;
    return options;
}

} // namespace

class TestUsbEnumeration : public QObject
{
    Q_OBJECT

private slots:
    void idsFromSettings_data();
    void idsFromSettings();
    void openClaimsTheInterface();
};

void TestUsbEnumeration::idsFromSettings_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<quint32>("count");

    QTest::newRow("no settings: the default ids") << QByteArray() << 1u;
    QTest::newRow("the telephone's ids") << QByteArray("[Device]\r\nVendorId=10c4\r\n"
                                                       "ProductId=0xEA61\r\n")
                                         << 1u;
    QTest::newRow("another product") << QByteArray("[Device]\r\nProductId=EA60\r\n") << 0u;
    QTest::newRow("another vendor") << QByteArray("[Device]\r\nVendorId=10C5\r\n") << 0u;
}

void TestUsbEnumeration::idsFromSettings()
{
    QFETCH(QByteArray, settings);
    QFETCH(quint32, count);
    UmockdevPhone phone(someRecordings());
    QVERIFY2(phone.error().isEmpty(), qPrintable(phone.error()));
    TestSandbox sandbox;
    if (!settings.isEmpty())
        sandbox.folder().write(QStringLiteral("SysConf.ini"), settings);

    auto usb = createUsbLibrary(QString());
    QCOMPARE(usb->deviceCount(), count);
    usb->setTimeouts(500, 500);
    QCOMPARE(usb->open(0), count > 0);
    QCOMPARE(usb->isOpen(), count > 0);
    // Nothing was claimed on a device that was not chosen.
    if (count == 0)
        QCOMPARE(phone.ioctlCount(), 0);
}

void TestUsbEnumeration::openClaimsTheInterface()
{
    UmockdevPhone phone(someRecordings());
    QVERIFY2(phone.error().isEmpty(), qPrintable(phone.error()));
    LibUsbLibrary usb(UmockdevPhone::kVendorId, UmockdevPhone::kProductId);
    QCOMPARE(usb.open(1), false); // there is only device 0
    QVERIFY(usb.open(0));
    QCOMPARE(
        phone.ioctlCount(USBDEVFS_DISCONNECT_CLAIM) + phone.ioctlCount(USBDEVFS_CLAIMINTERFACE), 1);
    usb.close();
    QVERIFY(!usb.isOpen());
    QCOMPARE(phone.ioctlCount(USBDEVFS_RELEASEINTERFACE), 1);
    // Opened again after a close, as after a replug.
    QVERIFY(usb.open(0));
}

QTEST_GUILESS_MAIN(TestUsbEnumeration)
#include "tst_usbenumeration.moc"
