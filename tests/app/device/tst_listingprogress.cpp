// The telephone's list read while the window keeps painting: progress in LabelUpload, other
// input refused (dropped, not queued), the rows as they always were.

#include "PhoneFixture.h"
#include "RecordingMessageSink.h"
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

} // namespace

class TestListingProgress : public QObject
{
    Q_OBJECT

private slots:
    void windowPaintsAndRefusesInputWhileListing()
    {
        resetLinkFlags();
        TestSandbox sandbox;
        const QString phoneDir = sandbox.folder().path() + QStringLiteral("phone");
        constexpr int kCount = 25;
        const QList<FixtureRecording> recordings =
            makeRecordings(QList<quint32>(kCount, 600), false);
        emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
        QVERIFY2(startOnRecordings(phone, phoneDir, recordings, {u("--delay-ms"), u("40")}),
                 qPrintable(phone.error()));

        StartupWindows windows([&](AppContext &context) {
            context.emulatorSocket = phone.socketName();
            context.deviceTimeoutMs = 2000;
        });
        TMainForm &main = *windows.main;
        TPasswordDlg *password = windows.password;
        RecordingMessageSink &messages = windows.messages;
        main.TimerUSBConnect->stop();
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        main.TimerUSBConnectTimer();

        // Seen while the list is read: the label, the rows so far, and what became of input.
        QStringList labels;
        QList<int> rowsSeen;
        int paints = 0;
        bool clicked = false;
        QTimer watch;
        watch.setInterval(40);
        bool listing = false;
        connect(&watch, &QTimer::timeout, this, [&] {
            // From the first progress label on (the count is asked before it), every tick counts.
            listing = listing || main.LabelUpload->text().startsWith(u("读取列表 "));
            if (!UsbLoggedIn || !listing)
                return;
            labels.append(main.LabelUpload->text());
            rowsSeen.append(main.ListViewMCUModel->rowCount());
            main.repaint();
            ++paints;
            if (!clicked && main.ListViewMCUModel->rowCount() >= 3) {
                clicked = true;
                // The exit button, a close request and a key: none may act now or later.
                QTest::mouseClick(main.ButtonExit, Qt::LeftButton);
                QCloseEvent close;
                QApplication::sendEvent(&main, &close);
                QTest::keyClick(main.EditFileList, Qt::Key_X);
            }
        });
        watch.start();
        QTimer::singleShot(0, password, [&] {
            QTRY_VERIFY(password->isVisible());
            password->Password->setText(u("9137"));
            QTest::mouseClick(password->OKBtn, Qt::LeftButton);
        });
        QTest::mouseClick(main.BitBtnRefersh, Qt::LeftButton);
        watch.stop();

        QVERIFY(clicked);
        QVERIFY2(paints >= 3, qPrintable(QString::number(paints)));
        // Progress counted up in the label while the rows came in.
        QVERIFY2(labels.size() >= 3, qPrintable(labels.join(u'|')));
        for (const QString &label : std::as_const(labels))
            QVERIFY2(label.startsWith(u("读取列表 ")) && label.endsWith(u("/25")),
                     qPrintable(label));
        QVERIFY(rowsSeen.first() < kCount);
        QCOMPARE(main.LabelUpload->text(), u("上传进度"));

        // The list is complete and in order, nothing was said, and the refused input is gone.
        QCOMPARE(messages.texts(), QStringList());
        QCOMPARE(main.ListViewMCUModel->rowCount(), kCount);
        for (int n = 0; n < kCount; ++n) {
            QCOMPARE(main.ListViewMCUModel->row(n).cells.at(0), QString::number(n + 1));
            QCOMPARE(main.ListViewMCUModel->row(n).cells.at(1), recordings[n].fileName(n + 1));
        }
        QTest::qWait(100);
        QVERIFY(main.isVisible());
        QCOMPARE(main.EditFileList->text(), u("电话列表List"));
        phone.stop();
        resetLinkFlags();
    }
};

QTEST_MAIN(TestListingProgress)
#include "tst_listingprogress.moc"
