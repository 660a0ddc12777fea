// The main window's poll tick on the libusb backend sees the telephone come and go.

#include "RecordingMessageSink.h"
#include "TExportForm1.h"
#include "TFindForm.h"
#include "TMainForm.h"
#include "TPasswordDlg.h"
#include "TestFolders.h"
#include "UmockdevPhone.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace tovrel;
using namespace tovrel::test;

class TestUsbPollTick : public QObject
{
    Q_OBJECT

private slots:
    void attachAndDetach();
};

void TestUsbPollTick::attachAndDetach()
{
    TestSandbox sandbox;
    emulator::EmulatorOptions options;
    options.generate = 1;
    UmockdevPhone phone(options);
    QVERIFY2(phone.error().isEmpty(), qPrintable(phone.error()));

    RecordingMessageSink messages;
    AppContext context;
    context.messages = &messages;
    context.pickFolder = [](const QString &, const QString &, const QString &) {
        return std::optional<QString>();
    };
    auto main = std::make_unique<TMainForm>(context);
    main->setWindows(new TPasswordDlg(context, main.get()), new TFindForm(context, main.get()),
                     new TExportForm1(context, main.get()));
    main->TimerUSBConnect->stop(); // the test runs the tick itself
    main->show();
    const QString connected = QString::fromUtf8("USB已连接");
    const QString absent = QString::fromUtf8("USB未连接");
    auto tick = [&] {
        main->TimerUSBConnectTimer();
        return main->BitBtnConnect->text();
    };

    QCOMPARE(tick(), connected);
    QVERIFY(main->BitBtnConnect->isEnabled());
    QVERIFY(main->BitBtnRefersh->isEnabled());

    phone.unplug();
    QTRY_COMPARE(tick(), absent);
    QVERIFY(!main->BitBtnConnect->isEnabled());
    QVERIFY(!main->BitBtnRefersh->isEnabled());

    QVERIFY(phone.plug());
    QTRY_COMPARE(tick(), connected);
    QVERIFY(main->BitBtnRefersh->isEnabled());
    QCOMPARE(messages.messages().size(), 0);
}

QTEST_MAIN(TestUsbPollTick)
#include "tst_usbpolltick.moc"
