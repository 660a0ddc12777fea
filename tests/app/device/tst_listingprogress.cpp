// The telephone's list read on its worker while the window stays free: progress in
// LabelUpload record by record, the controls that would use the link held off until the end,
// the rows as they always were. The test lets the telephone's answers go one at a time, so
// every step is seen, whatever the scheduler does.

#include "PhoneFixture.h"
#include "RecordingMessageSink.h"
#include "ReportListView.h"
#include "StartupWindows.h"
#include "TExportForm1.h"
#include "TFindForm.h"
#include "TMainForm.h"
#include "TPasswordDlg.h"
#include "TestFolders.h"
#include "TestText.h"

#include "device/LinkFlags.h"
#include "report/ReportModel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace tovrel;
using namespace tovrel::test;

namespace {

using tovrel::test::u;

// The windows on the emulated telephone at `socket`, shown, with the telephone found by one
// tick (the test runs the ticks itself).
struct Windows : StartupWindows
{
    explicit Windows(const QString &socket)
        : StartupWindows([&](AppContext &context) {
              context.emulatorSocket = socket;
              context.deviceTimeoutMs = 20000;
          })
    {
        main->TimerUSBConnect->stop();
        main->show();
        main->TimerUSBConnectTimer();
    }

    // Presses the list button and logs in with the dialog's password (9137); returns when the
    // button's handler does.
    void list()
    {
        tovrel::test::answerWhenShown(
            password, [this] { QTest::mouseClick(password->OKBtn, Qt::LeftButton); });
        QTest::mouseClick(main->BitBtnRefersh, Qt::LeftButton);
    }
};

} // namespace

class TestListingProgress : public QObject
{
    Q_OBJECT

private slots:
    void progressFollowsEveryAnswer()
    {
        resetLinkFlags();
        TestSandbox sandbox;
        const QString phoneDir = sandbox.folder().path() + QStringLiteral("phone");
        constexpr int kCount = 25;
        const QList<FixtureRecording> recordings =
            makeRecordings(QList<quint32>(kCount, 600), false);
        emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
        QVERIFY2(startOnRecordings(phone, phoneDir, recordings, {u("--hold")}),
                 qPrintable(phone.error()));

        Windows windows(phone.socketName());
        TMainForm &main = *windows.main;
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        // The login's exchange, on its worker like the list, is answered first.
        QVERIFY(phone.release(1));
        windows.list();

        // The button's handler is back; the list is read on its worker once the login is
        // through, and nothing else may use the link or the rows meanwhile.
        QTRY_COMPARE(UsbLoggedIn.load(), 1);
        QVERIFY(main.isReadingList());
        const auto heldOff = [&main] {
            return !main.BitBtnRefersh->isEnabled() && !main.BitBtnUpload->isEnabled() &&
                   !main.BitBtnUploadAll->isEnabled() && !main.BitBtnExport->isEnabled() &&
                   !main.ListViewMCU->isEnabled() && !main.BitBtnSave->isEnabled();
        };
        QVERIFY(heldOff());
        QVERIFY(main.ButtonExit->isEnabled());

        // Count, then the probe: the progress starts at 0 of the count.
        QVERIFY(phone.release(2));
        QTRY_COMPARE(main.LabelUpload->text(), u("读取列表 0/25"));
        QCOMPARE(main.ListViewMCUModel->rowCount(), 0);
        // One record at a time: one more row, the label one further, the window painting.
        for (int n = 0; n < kCount; ++n) {
            QVERIFY(phone.release(1));
            QTRY_COMPARE(main.ListViewMCUModel->rowCount(), n + 1);
            if (n + 1 < kCount) {
                QCOMPARE(main.LabelUpload->text(), u("读取列表 %1/25").arg(n + 1));
                QVERIFY(heldOff());
                main.repaint();
            }
        }
        QTRY_VERIFY(!main.isReadingList());
        QCOMPARE(main.LabelUpload->text(), u("上传进度"));
        // After the list, the controls of a logged-in tab.
        QVERIFY(main.BitBtnRefersh->isEnabled() && main.BitBtnUpload->isEnabled() &&
                main.BitBtnUploadAll->isEnabled() && main.BitBtnExport->isEnabled() &&
                main.ListViewMCU->isEnabled() && main.BitBtnSave->isEnabled());

        // The list is complete and in order, and nothing was said.
        QCOMPARE(windows.messages.texts(), QStringList());
        for (int n = 0; n < kCount; ++n) {
            QCOMPARE(main.ListViewMCUModel->row(n).cells.at(0), QString::number(n + 1));
            QCOMPARE(main.ListViewMCUModel->row(n).cells.at(1), recordings[n].fileName(n + 1));
        }
        phone.stop();
        resetLinkFlags();
    }

    // The telephone pulled out while its list is read: the tick resets the tab at once, the
    // list ends with one message, and nothing it read before is shown afterwards. Plugged in
    // again, the list is read whole.
    void unpluggedWhileListing()
    {
        resetLinkFlags();
        TestSandbox sandbox;
        const QString phoneDir = sandbox.folder().path() + QStringLiteral("phone");
        const QList<FixtureRecording> recordings = makeRecordings(QList<quint32>(8, 300), false);
        emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
        QVERIFY2(startOnRecordings(phone, phoneDir, recordings, {u("--hold")}),
                 qPrintable(phone.error()));
        Windows windows(phone.socketName());
        TMainForm &main = *windows.main;
        // Password, count, probe and three records.
        QVERIFY(phone.release(6));
        windows.list();
        QTRY_COMPARE(main.ListViewMCUModel->rowCount(), 3);
        QVERIFY(main.isReadingList());

        phone.stop();
        main.TimerUSBConnectTimer();
        QVERIFY(!main.isReadingList());
        QCOMPARE(main.ListViewMCUModel->rowCount(), 0);
        QTRY_COMPARE(windows.messages.texts(), QStringList{u("USB读数据错误")});
        QTest::qWait(200);
        QCOMPARE(windows.messages.texts().size(), 1);
        QCOMPARE(main.ListViewMCUModel->rowCount(), 0);
        QCOMPARE(main.LabelUpload->text(), u("上传进度"));
        QVERIFY(main.BitBtnSave->isEnabled());
        QVERIFY(!main.BitBtnRefersh->isEnabled() && !main.BitBtnUpload->isEnabled() &&
                !main.ListViewMCU->isEnabled());

        QVERIFY2(startOnRecordings(phone, phoneDir, recordings), qPrintable(phone.error()));
        main.TimerUSBConnectTimer();
        QVERIFY(main.BitBtnRefersh->isEnabled());
        windows.list();
        QTRY_VERIFY(!main.isReadingList());
        QCOMPARE(main.ListViewMCUModel->rowCount(), 8);
        QCOMPARE(windows.messages.texts().size(), 1);
        phone.stop();
        resetLinkFlags();
    }
};

QTEST_MAIN(TestListingProgress)
#include "tst_listingprogress.moc"
