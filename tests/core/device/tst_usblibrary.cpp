// The USB ids from the settings, and the libusb backend with no telephone attached.

#include "TestFolders.h"

#include "device/LibUsbLibrary.h"
#include "device/UsbLibrary.h"

#include <QTest>

using namespace tovrel;
using tovrel::test::ScopedCurrentDir;
using tovrel::test::TempFolder;

class TestUsbLibrary : public QObject
{
    Q_OBJECT

private slots:
    void ids_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<int>("vendor");
        QTest::addColumn<int>("product");
        // The values that were refused, as the user wrote them.
        QTest::addColumn<QStringList>("refused");
        QTest::newRow("no file") << QByteArray() << 0x10C4 << 0xEA61 << QStringList();
        QTest::newRow("hexadecimal") << QByteArray("[Device]\nVendorId=1a2B\nProductId=0x00ff\n")
                                     << 0x1A2B << 0x00FF << QStringList();
        QTest::newRow("other section only")
            << QByteArray("[LocalConfig]\nVendorId=1234\n") << 0x10C4 << 0xEA61 << QStringList();
        QTest::newRow("not a number, too large")
            << QByteArray("[Device]\nVendorId=zz\nProductId=12345\n") << 0x10C4 << 0xEA61
            << QStringList{QStringLiteral("VendorId 值“zz”"),
                           QStringLiteral("ProductId 值“12345”")};
        QTest::newRow("signed, empty")
            << QByteArray("[Device]\nVendorId=+1a2b\nProductId=\n") << 0x10C4 << 0xEA61
            << QStringList{QStringLiteral("VendorId 值“+1a2b”"), QStringLiteral("ProductId 值“”")};
        QTest::newRow("prefix only, blank inside")
            << QByteArray("[Device]\nVendorId=0x\nProductId=ea 61\n") << 0x10C4 << 0xEA61
            << QStringList{QStringLiteral("VendorId 值“0x”"),
                           QStringLiteral("ProductId 值“ea 61”")};
    }
    void ids()
    {
        QFETCH(QByteArray, settings);
        QFETCH(int, vendor);
        QFETCH(int, product);
        TempFolder dir;
        ScopedCurrentDir cd(dir.path());
        if (!settings.isEmpty())
            dir.write(QStringLiteral("SysConf.ini"), settings);
        QFETCH(QStringList, refused);
        const UsbIds ids = readUsbIds();
        QCOMPARE(int(ids.vendorId), vendor);
        QCOMPARE(int(ids.productId), product);
        // One message per refused value, naming it and the id used instead.
        QCOMPARE(ids.refused.size(), refused.size());
        for (int i = 0; i < refused.size(); ++i) {
            QVERIFY2(ids.refused[i].contains(refused[i]), qPrintable(ids.refused[i]));
            QVERIFY2(
                ids.refused[i].contains(i == 0 ? QStringLiteral("10C4") : QStringLiteral("EA61")),
                qPrintable(ids.refused[i]));
        }
    }

    // Ids no device carries: nothing present, nothing opens, every exchange fails.
    void libusbWithoutTelephone()
    {
        LibUsbLibrary usb(0xFFFF, 0xFFFE);
        QCOMPARE(usb.deviceCount(), 0u);
        usb.setTimeouts(100, 100);
        QVERIFY(!usb.open(0));
        QVERIFY(!usb.isOpen());
        QVERIFY(!usb.write(QByteArray(8, '\0')));
        char buffer[32];
        int received = -1;
        QVERIFY(!usb.read(buffer, 32, &received));
        QCOMPARE(received, 0);
        usb.flush();
        usb.close();
    }
};

QTEST_GUILESS_MAIN(TestUsbLibrary)
#include "tst_usblibrary.moc"
