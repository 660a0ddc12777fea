// The telephone tab offscreen against the emulator process: connection monitor, login, list,
// upload, cancel and the tab-change interruption, with the enable/disable table throughout.

#include "PhoneFixture.h"
#include "RecordingMessageSink.h"
#include "ReportListView.h"
#include "TExportForm1.h"
#include "TFindForm.h"
#include "TMainForm.h"
#include "TPasswordDlg.h"
#include "TestFolders.h"

#include "activity/ActivityFlags.h"
#include "device/LinkFlags.h"
#include "report/ReportModel.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace tovrel;
using namespace tovrel::test;

namespace {

QString u(const char *s)
{
    return QString::fromUtf8(s);
}

struct Windows
{
    RecordingMessageSink messages;
    std::unique_ptr<TMainForm> main;
    TPasswordDlg *password = nullptr;

    explicit Windows(const QString &socket)
    {
        AppContext context;
        context.messages = &messages;
        context.pickFolder = [](const QString &, const QString &, const QString &) {
            return std::optional<QString>();
        };
        context.emulatorSocket = socket;
        context.deviceTimeoutMs = 500;
        main = std::make_unique<TMainForm>(context);
        password = new TPasswordDlg(context, main.get());
        main->setWindows(password, new TFindForm(context, main.get()),
                         new TExportForm1(context, main.get()));
        main->TimerUSBConnect->stop(); // the tests run the tick themselves
        main->show();
    }

    // Presses the list button and answers the login dialog with `typed` (or Cancel).
    void list(const std::optional<QString> &typed)
    {
        QTimer::singleShot(0, password, [this, typed] {
            QTRY_VERIFY(password->isVisible());
            if (typed) {
                password->Password->setText(*typed);
                QTest::mouseClick(password->OKBtn, Qt::LeftButton);
            } else {
                QTest::mouseClick(password->CancelBtn, Qt::LeftButton);
            }
        });
        QTest::mouseClick(main->BitBtnRefersh, Qt::LeftButton);
    }

    // The enabled state of the table's controls, in the table's order.
    QString controls() const
    {
        const QWidget *w[] = {main->BitBtnConnect,   main->BitBtnRefersh, main->BitBtnUpload,
                              main->BitBtnUploadAll, main->ListViewMCU,   main->BitBtnExport,
                              main->BitBtnSave};
        QString s;
        for (const QWidget *x : w)
            s += x->isEnabled() ? u'1' : u'0';
        s += main->PageControl1->isTabEnabled(1) ? u'1' : u'0';
        return s;
    }
};

} // namespace

class TestTelephoneTab : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempFolder> m_dir;
    std::unique_ptr<ScopedCurrentDir> m_cd;
    QList<FixtureRecording> m_recordings;

    bool startPhone(emulator::EmulatorLauncher &launcher, const QList<quint32> &lengths,
                    const QStringList &extra = {})
    {
        m_recordings = makeRecordings(lengths, false);
        QDir(m_dir->path() + QStringLiteral("phone")).removeRecursively();
        writeRecordings(m_dir->path() + QStringLiteral("phone"), m_recordings);
        return launcher.start(
            QStringList{QStringLiteral("--recordings"), m_dir->path() + QStringLiteral("phone")} +
            extra);
    }

private slots:
    void init()
    {
        resetActivityFlags();
        resetLinkFlags();
        m_dir = std::make_unique<TempFolder>();
        m_cd = std::make_unique<ScopedCurrentDir>(m_dir->path());
    }
    void cleanup()
    {
        m_cd.reset();
        m_dir.reset();
        resetLinkFlags();
        resetActivityFlags();
    }

    void attachLoginListDetach()
    {
        emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
        QVERIFY2(startPhone(phone, {1000, 2000, 3000}), qPrintable(phone.error()));
        Windows w(phone.socketName());
        // Window shown: everything off but the folder button.
        QCOMPARE(w.controls(), u("00000011"));
        QCOMPARE(w.main->BitBtnConnect->text(), u("USB未连接"));

        w.main->TimerUSBConnectTimer();
        QCOMPARE(w.main->BitBtnConnect->text(), u("USB已连接"));
        QCOMPARE(w.controls(), u("11000011"));
        QCOMPARE(UsbOpened.load(), 0); // not opened before the list button

        w.list(u("9137"));
        QCOMPARE(w.messages.texts(), QStringList());
        QCOMPARE(UsbLoggedIn.load(), 1);
        QCOMPARE(w.controls(), u("11111111"));
        QCOMPARE(w.main->ListViewMCUModel->rowCount(), 3);
        QCOMPARE(w.main->ListViewMCUModel->row(1).cells.at(1), m_recordings[1].fileName(2));
        QCOMPARE(w.main->ListViewMCUModel->row(2).key.toInt(), 2);
        QCOMPARE(w.main->ListViewMCUModel->columns().at(1).width, 200);

        // A wrong password logs out but leaves the rows; Cancel also removes them.
        w.list(u("1234"));
        QCOMPARE(w.messages.texts(), QStringList{u("密码错误，无法登录")});
        QCOMPARE(UsbLoggedIn.load(), 0);
        QCOMPARE(w.controls(), u("11000001"));
        QCOMPARE(w.main->ListViewMCUModel->rowCount(), 3);
        w.list(std::nullopt);
        QCOMPARE(w.controls(), u("11000001"));
        QCOMPARE(w.main->ListViewMCUModel->rowCount(), 0);

        w.list(u("9137"));
        QCOMPARE(w.main->ListViewMCUModel->rowCount(), 3);

        // Detached: the tick resets the link and the tab.
        phone.stop();
        w.main->TimerUSBConnectTimer();
        QCOMPARE(w.main->BitBtnConnect->text(), u("USB未连接"));
        QCOMPARE(w.controls(), u("00000011"));
        QCOMPARE(w.main->ListViewMCUModel->rowCount(), 0);
        QCOMPARE(UsbLoggedIn.load(), 0);
        QCOMPARE(UsbOpened.load(), 0);
        QCOMPARE(w.main->LabelUpload->text(), u("上传进度"));

        // Re-attached: open and password again.
        QVERIFY2(startPhone(phone, {500}), qPrintable(phone.error()));
        w.main->TimerUSBConnectTimer();
        QCOMPARE(w.controls(), u("11000011"));
        w.list(u("9137"));
        QCOMPARE(UsbOpened.load(), 1);
        QCOMPARE(w.main->ListViewMCUModel->rowCount(), 1);
    }

    void refusedWhilePlaying()
    {
        emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
        QVERIFY2(startPhone(phone, {1000}), qPrintable(phone.error()));
        Windows w(phone.socketName());
        w.main->TimerUSBConnectTimer();
        PlayStateFlag = PlayPlaying;
        QTest::mouseClick(w.main->BitBtnRefersh, Qt::LeftButton);
        QCOMPARE(w.messages.texts(), QStringList{u("请先停止播放！")});
        QCOMPARE(UsbOpened.load(), 0);
        QVERIFY(!w.password->isVisible());
    }

    void uploadAllThenPcTab()
    {
        emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
        QVERIFY2(startPhone(phone, {0, 257, 4000}), qPrintable(phone.error()));
        Windows w(phone.socketName());
        const QString target = m_dir->path() + QStringLiteral("record/");
        w.main->EditSave->setText(target);
        w.main->TimerUSBConnectTimer();
        w.list(u("9137"));
        QCOMPARE(w.main->ListViewMCUModel->rowCount(), 3);

        QTest::mouseClick(w.main->BitBtnUploadAll, Qt::LeftButton);
        QCOMPARE(Uploading.load(), 1);
        QCOMPARE(w.main->BitBtnUpload->text(), u("取消上传"));
        QCOMPARE(w.controls(), u("10100000"));
        QTRY_COMPARE_WITH_TIMEOUT(w.main->BitBtnUpload->text(), u("上传选择"), 20000);
        QCOMPARE(Uploading.load(), 0);
        QCOMPARE(w.messages.texts(), QStringList{u("所选择的文件上传结束")});
        QCOMPARE(w.controls(), u("11111111"));
        QCOMPARE(w.main->LabelUpload->text(), u("上传进度"));
        QCOMPARE(w.main->ProgressBarUpload->value(), 0);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(m_dir->read(QStringLiteral("record/") + m_recordings[i].fileName(i + 1)),
                     m_recordings[i].bytes());
    }

    void selectionInRowOrder()
    {
        emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
        QVERIFY2(startPhone(phone, {300, 300, 300, 300}, {QStringLiteral("--verbose")}),
                 qPrintable(phone.error()));
        Windows w(phone.socketName());
        w.main->EditSave->setText(m_dir->path() + QStringLiteral("record/"));
        w.main->TimerUSBConnectTimer();
        w.list(u("9137"));
        w.main->ListViewMCU->selectRow(3);
        w.main->ListViewMCU->selectionModel()->select(w.main->ListViewMCUModel->index(1, 0),
                                                      QItemSelectionModel::Select |
                                                          QItemSelectionModel::Rows);
        QTest::mouseClick(w.main->BitBtnUpload, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(Uploading.load(), 0, 20000);
        QTRY_COMPARE(w.main->BitBtnUpload->text(), u("上传选择"));
        QCOMPARE(QDir(m_dir->path() + QStringLiteral("record/")).entryList(QDir::Files),
                 (QStringList{m_recordings[1].fileName(2), m_recordings[3].fileName(4)}));
        const QString log = phone.log();
        QVERIFY2(log.indexOf(QStringLiteral("record 1\n")) <
                     log.lastIndexOf(QStringLiteral("record 3\n")),
                 qPrintable(log));
    }

    void cancelAndTabChange_data()
    {
        QTest::addColumn<bool>("byTab");
        QTest::newRow("cancel button") << false;
        QTest::newRow("PC tab") << true;
    }
    void cancelAndTabChange()
    {
        QFETCH(bool, byTab);
        emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
        QVERIFY2(startPhone(phone, {256 * 80, 300},
                            {QStringLiteral("--delay-ms"), QStringLiteral("15")}),
                 qPrintable(phone.error()));
        Windows w(phone.socketName());
        const QString target = m_dir->path() + QStringLiteral("record/");
        w.main->EditSave->setText(target);
        w.main->TimerUSBConnectTimer();
        w.list(u("9137"));
        QTest::mouseClick(w.main->BitBtnUploadAll, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(w.main->ProgressBarUploadPacket->value() >= 5, 20000);
        if (byTab)
            w.main->PageControl1->setCurrentIndex(1);
        else
            QTest::mouseClick(w.main->BitBtnUpload, Qt::LeftButton);
        QCOMPARE(Uploading.load(), 0);
        QCOMPARE(w.main->BitBtnUpload->text(), u("上传选择"));
        QCOMPARE(w.controls(), u("11111111"));
        if (byTab)
            QCOMPARE(w.messages.texts().value(0), u("数据上传被打断，请注意！"));
        else
            QCOMPARE(w.messages.texts(), QStringList());
        // A new list waits for the cancelled worker before it uses the link.
        w.main->PageControl1->setCurrentIndex(0);
        w.list(u("9137"));
        QCOMPARE(w.main->ListViewMCUModel->rowCount(), 2);
        QVERIFY(!w.messages.texts().contains(u("所选择的文件上传结束")));
        QVERIFY(!w.messages.texts().contains(u("USB读数据错误")));
        const QByteArray partial =
            m_dir->read(QStringLiteral("record/") + m_recordings[0].fileName(1));
        QVERIFY(partial.size() < m_recordings[0].bytes().size());
        QCOMPARE(partial, m_recordings[0].bytes().left(partial.size()));
        QVERIFY(!QFile::exists(target + m_recordings[1].fileName(2)));
    }

    void closeWithoutTelephoneMakesNoCall()
    {
        Windows w(m_dir->path() + QStringLiteral("no-such-socket"));
        w.main->TimerUSBConnectTimer();
        QCOMPARE(w.main->BitBtnConnect->text(), u("USB未连接"));
        w.main->close();
        QVERIFY(w.messages.texts().isEmpty());
    }
};

QTEST_MAIN(TestTelephoneTab)
#include "tst_telephonetab.moc"
