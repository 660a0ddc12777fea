// The libusb backend hears the telephone come and go through libusb's hotplug events.

#include "UsbTestLink.h"

#include <QTest>

#include <chrono>
#include <functional>
#include <future>

using namespace tovrel;
using namespace tovrel::test;

class TestUsbHotplug : public QObject
{
    Q_OBJECT

private slots:
    void waitEnds();
};

// A wait far longer than ctest lets the test run ends at each change, and at wakeWaiters() from
// another thread; with nothing happening it runs out.
void TestUsbHotplug::waitEnds()
{
    UmockdevPhone phone(generated(1, 100, false));
    QVERIFY2(phone.error().isEmpty(), qPrintable(phone.error()));
    LibUsbLibrary usb(UmockdevPhone::kVendorId, UmockdevPhone::kProductId);
    QVERIFY(usb.hasHotplug());
    QCOMPARE(usb.deviceCount(), 1u);
    auto waitWhile = [&usb](const std::function<void()> &change) {
        auto wait = std::async(std::launch::async, [&usb] { return usb.waitForChange(600000); });
        do
            change();
        while (wait.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready);
        return wait.get();
    };
    QVERIFY(waitWhile([&phone] { phone.unplug(); }));
    QCOMPARE(usb.deviceCount(), 0u);
    QVERIFY(waitWhile([&phone] { phone.plug(); }));
    QCOMPARE(usb.deviceCount(), 1u);
    QVERIFY(waitWhile([&usb] { usb.wakeWaiters(); }));
    QVERIFY(!usb.waitForChange(100));
}

QTEST_GUILESS_MAIN(TestUsbHotplug)
#include "tst_usbhotplug.moc"
