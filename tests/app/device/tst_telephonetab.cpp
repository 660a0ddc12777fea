// The telephone tab offscreen against the emulator process: connection monitor, login, list,
// upload, cancel and the tab-change interruption, with the enable/disable table throughout.

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

#include "activity/ActivityFlags.h"
#include "device/LinkFlags.h"
#include "report/ReportModel.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <memory>
#include <sys/stat.h>

using namespace tovrel;
using namespace tovrel::test;

namespace {

using tovrel::test::u;

struct Windows : tovrel::test::StartupWindows
{
    explicit Windows(const QString &socket, int timeoutMs = 500, const QString &notice = {})
        : StartupWindows([&](AppContext &context) {
              context.emulatorSocket = socket;
              context.deviceTimeoutMs = timeoutMs;
              context.startNotice = notice;
          })
    {
        main->TimerUSBConnect->stop(); // the tests run the tick themselves
        main->show();
    }

    // Presses the list button, answers the login dialog with `typed` (or Cancel) and waits
    // until the list, read on its worker, has ended.
    void list(const std::optional<QString> &typed)
    {
        tovrel::test::answerWhenShown(password, [this, typed] {
            if (typed) {
                password->Password->setText(*typed);
                QTest::mouseClick(password->OKBtn, Qt::LeftButton);
            } else {
                QTest::mouseClick(password->CancelBtn, Qt::LeftButton);
            }
        });
        QTest::mouseClick(main->BitBtnRefersh, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!main->isReadingList(), 30000);
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
        s += main->TabSheetComputer->isEnabled() ? u'1' : u'0';
        return s;
    }

    // Clicks the PC tab as a user does.
    void clickPcTab()
    {
        QTabBar *bar = main->PageControl1->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    }
};

} // namespace

class TestTelephoneTab : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestSandbox> m_sandbox;
    const TempFolder *m_dir = nullptr;
    QList<FixtureRecording> m_recordings;

    bool startPhone(emulator::EmulatorLauncher &launcher, const QList<quint32> &lengths,
                    const QStringList &extra = {})
    {
        m_recordings = makeRecordings(lengths, false);
        return startOnRecordings(launcher, m_dir->path() + QStringLiteral("phone"), m_recordings,
                                 extra);
    }

private slots:
    void init()
    {
        resetLinkFlags();
        m_sandbox = std::make_unique<TestSandbox>();
        m_dir = &m_sandbox->folder();
    }
    void cleanup()
    {
        m_sandbox.reset();
        resetLinkFlags();
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

    // The telephone cannot be opened (here: gone between the poll tick and the click): the
    // list button says why instead of doing nothing, and the login dialog is not shown.
    void failedOpenSaysWhy()
    {
        emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
        QVERIFY2(startPhone(phone, {300}), qPrintable(phone.error()));
        Windows w(phone.socketName());
        w.main->TimerUSBConnectTimer();
        QCOMPARE(UsbPresent.load(), 1);
        phone.stop();
        QTest::mouseClick(w.main->BitBtnRefersh, Qt::LeftButton);
        QTRY_COMPARE(w.messages.texts().size(), 1);
        QVERIFY2(w.messages.texts()[0].startsWith(u("USB设备打开失败：")),
                 qPrintable(w.messages.texts()[0]));
        QVERIFY(w.messages.texts()[0].size() > u("USB设备打开失败：").size());
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

    // "只上传新录音": off by default, remembered in SysConf.ini; ticked, the upload leaves a
    // whole copy alone, replaces one cut short, and the completion text gives the counts.
    void uploadOnlyNewBox()
    {
        emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
        QVERIFY2(startPhone(phone, {600, 300, 500}, {QStringLiteral("--verbose")}),
                 qPrintable(phone.error()));
        const QString target = m_dir->path() + QStringLiteral("record/");
        const QString present = m_dir->write(
            QStringLiteral("record/") + m_recordings[0].fileName(1), m_recordings[0].bytes());
        m_dir->write(QStringLiteral("record/") + m_recordings[2].fileName(3),
                     m_recordings[2].bytes().chopped(1));
        const QDateTime presentTime = QFileInfo(present).lastModified();
        const auto inodeOf = [](const QString &path) {
            struct stat st
            {
            };
            return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : ino_t(0);
        };
        const ino_t presentInode = inodeOf(present);
        Windows w(phone.socketName());
        w.main->ReadSysConf();
        QVERIFY(!w.main->CheckBoxUploadNew->isChecked());
        QTest::mouseClick(w.main->CheckBoxUploadNew, Qt::LeftButton);
        QVERIFY(w.main->CheckBoxUploadNew->isChecked());
        QVERIFY2(m_dir->read(QStringLiteral("SysConf.ini")).contains("[Upload]\nOnlyNew=1\n"),
                 m_dir->read(QStringLiteral("SysConf.ini")).constData());
        w.main->CheckBoxUploadNew->setChecked(false);
        w.main->ReadSysConf();
        QVERIFY(w.main->CheckBoxUploadNew->isChecked());

        w.main->EditSave->setText(target);
        w.main->TimerUSBConnectTimer();
        w.list(u("9137"));
        QCOMPARE(w.main->ListViewMCUModel->rowCount(), 3);
        QTest::mouseClick(w.main->BitBtnUploadAll, Qt::LeftButton);
        QVERIFY(!w.main->CheckBoxUploadNew->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(w.main->BitBtnUpload->text(), u("上传选择"), 20000);
        QVERIFY(w.main->CheckBoxUploadNew->isEnabled());
        QCOMPARE(w.messages.texts(),
                 QStringList{u("所选择的文件上传结束\n上传 2 个，已有 1 个，不完整 0 个")});
        for (int i = 0; i < 3; ++i)
            QCOMPARE(m_dir->read(QStringLiteral("record/") + m_recordings[i].fileName(i + 1)),
                     m_recordings[i].bytes());
        QCOMPARE(QFileInfo(present).lastModified(), presentTime);
        QCOMPARE(inodeOf(present), presentInode);
        const QString log = phone.log();
        QVERIFY2(!log.contains(
                     QStringLiteral("data address %1 ").arg(m_recordings[0].header.startAddress)),
                 qPrintable(log));

        // Unticked, it is remembered off.
        QTest::mouseClick(w.main->CheckBoxUploadNew, Qt::LeftButton);
        QVERIFY2(m_dir->read(QStringLiteral("SysConf.ini")).contains("[Upload]\nOnlyNew=0\n"),
                 m_dir->read(QStringLiteral("SysConf.ini")).constData());
    }

    // A recording folder stored without a trailing separator (by hand, or by an older
    // version) still receives the files inside it; and a batch with a file cut short ends with
    // a warning naming that file instead of the completion text, although the last file
    // arrived whole.
    void uploadIntoStoredFolderWithOneFileShort()
    {
        emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
        // Commands: password, count, probe, two records; the first data answer is short.
        QVERIFY2(
            startPhone(phone, {600, 300}, {QStringLiteral("--short-after"), QStringLiteral("5")}),
            qPrintable(phone.error()));
        m_dir->write(QStringLiteral("SysConf.ini"),
                     "[LocalConfig]\nLocalFileBackupPath=" +
                         QFile::encodeName(m_dir->path() + QStringLiteral("record")) + "\n");
        Windows w(phone.socketName());
        w.main->ReadSysConf();
        QCOMPARE(w.main->EditSave->text(), m_dir->path() + QStringLiteral("record/"));
        w.main->TimerUSBConnectTimer();
        w.list(u("9137"));
        QCOMPARE(w.main->ListViewMCUModel->rowCount(), 2);
        QTest::mouseClick(w.main->BitBtnUploadAll, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(w.main->BitBtnUpload->text(), u("上传选择"), 20000);
        QCOMPARE(w.messages.texts(),
                 (QStringList{u("USB读数据错误"),
                              u("以下文件没有完整上传：\n") + m_recordings[0].fileName(1)}));
        QCOMPARE(QDir(m_dir->path() + QStringLiteral("record")).entryList(QDir::Files),
                 (QStringList{m_recordings[0].fileName(1), m_recordings[1].fileName(2)}));
        QCOMPARE(m_dir->read(QStringLiteral("record/") + m_recordings[1].fileName(2)),
                 m_recordings[1].bytes());
        QVERIFY(QDir(m_dir->path()).entryList({QStringLiteral("record?*")}).isEmpty());
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
        // A tick that finds the telephone during the upload leaves the list button off.
        w.main->TimerUSBConnectTimer();
        QCOMPARE(w.controls(), u("10100000"));
        QCOMPARE(w.main->BitBtnUpload->text(), u("取消上传"));
        if (byTab)
            w.clickPcTab();
        else
            QTest::mouseClick(w.main->BitBtnUpload, Qt::LeftButton);
        QCOMPARE(Uploading.load(), 0);
        QCOMPARE(w.main->BitBtnUpload->text(), u("上传选择"));
        QCOMPARE(w.controls(), u("11111111"));
        if (byTab) {
            QCOMPARE(w.main->PageControl1->currentWidget(), w.main->TabSheetComputer);
            QCOMPARE(w.messages.texts().value(0), u("数据上传被打断，请注意！"));
        } else
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

    // A record lost on a live link costs its row and one message, and the list goes on; a link
    // that is gone (the telephone unplugged) ends the list at once with one message, not one
    // per record left. Commands: password (1), count (2), probe (3), record N (4 + N).
    void recordFailuresDuringList_data()
    {
        QTest::addColumn<QStringList>("fault");
        QTest::addColumn<QList<int>>("rows");
        QTest::newRow("record 2 unanswered")
            << QStringList{u("--drop-only"), u("6")} << QList<int>{0, 1, 3, 4, 5, 6, 7, 8, 9};
        QTest::newRow("unplugged at record 3")
            << QStringList{u("--unplug-after"), u("6")} << QList<int>{0, 1, 2};
        QTest::newRow("unplugged at record 0")
            << QStringList{u("--unplug-after"), u("3")} << QList<int>{};
    }
    void recordFailuresDuringList()
    {
        QFETCH(QStringList, fault);
        QFETCH(QList<int>, rows);
        emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
        QVERIFY2(startPhone(phone, QList<quint32>(10, 300), fault), qPrintable(phone.error()));
        Windows w(phone.socketName());
        w.main->TimerUSBConnectTimer();
        w.list(u("9137"));
        QCOMPARE(w.messages.texts(), QStringList{u("USB读数据错误")});
        QList<int> listed;
        for (int row = 0; row < w.main->ListViewMCUModel->rowCount(); ++row)
            listed.append(w.main->ListViewMCUModel->row(row).key.toInt());
        QCOMPARE(listed, rows);
        QCOMPARE(w.main->LabelUpload->text(), u("上传进度"));
    }

    // USB ids in SysConf.ini that are not hexadecimal 16-bit ids are said once, when the window
    // is first shown, instead of leaving the user with "USB未连接" alone; settings taken over
    // at the start are said there first.
    void refusedIdsSaidOnceAtStart_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QStringList>("named"); // the first: the start's notice, when there is one
        QTest::newRow("both refused")
            << QByteArray("[Device]\nVendorId=usb\nProductId=1EA61\n")
            << QStringList{u("VendorId 值“usb”"), u("ProductId 值“1EA61”")};
        QTest::newRow("both readable")
            << QByteArray("[Device]\nVendorId=10c4\nProductId=0xEA61\n") << QStringList();
        QTest::newRow("settings taken over") << QByteArray("[Device]\nVendorId=usb\n")
                                             << QStringList{u("已把"), u("VendorId 值“usb”")};
    }
    void refusedIdsSaidOnceAtStart()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QStringList, named);
        m_dir->write(QStringLiteral("SysConf.ini"), settings);
        // The USB telephone, with the ids of the settings.
        Windows w{QString(), 500, named.value(0).startsWith(u("已把")) ? named[0] : QString()};
        QVERIFY(QTest::qWaitForWindowExposed(w.main.get()));
        QTest::qWait(50);
        const QStringList texts = w.messages.texts();
        QCOMPARE(texts.size(), named.size());
        for (int i = 0; i < named.size(); ++i)
            QVERIFY2(texts[i].contains(named[i]), qPrintable(texts[i]));
        w.main->hide();
        w.main->show();
        QTest::qWait(50);
        QCOMPARE(w.messages.texts(), texts);
    }

    // A login exchange that fails changes nothing: no login, no list, one message.
    void loginWithoutAnswer()
    {
        emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
        QVERIFY2(startPhone(phone, {1000}, {QStringLiteral("--drop-after"), QStringLiteral("0")}),
                 qPrintable(phone.error()));
        Windows w(phone.socketName());
        w.main->TimerUSBConnectTimer();
        w.list(u("9137"));
        QCOMPARE(w.messages.texts(), QStringList{u("USB读数据错误")});
        QCOMPARE(UsbOpened.load(), 1);
        QCOMPARE(UsbLoggedIn.load(), 0);
        QCOMPARE(w.controls(), u("11000011"));
        QCOMPARE(w.main->ListViewMCUModel->rowCount(), 0);
    }

    // The login's exchange runs on a worker: while the telephone holds its answer the window
    // is free (the PC tab can be clicked, timers run), the controls that would use the link or
    // the rows are held off, and the outcome is then the one a login always had.
    void loginWaitsOnWorker_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("unplugged");
        QTest::newRow("accepted") << u("9137") << 2 << QStringList() << u("11111111") << false;
        QTest::newRow("refused") << u("9130") << 0 << QStringList{u("密码错误，无法登录")}
                                 << u("11000001") << false;
        // Pulled out while its answer is held: the tick resets the tab at once; the login
        // fails with its message and changes nothing afterwards.
        QTest::newRow("unplugged")
            << u("9137") << 0 << QStringList{u("USB读数据错误")} << u("00000011") << true;
    }
    void loginWaitsOnWorker()
    {
        QFETCH(QString, typed);
        QFETCH(int, rows);
        QFETCH(QStringList, said);
        QFETCH(QString, after);
        QFETCH(bool, unplugged);
        emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
        QVERIFY2(startPhone(phone, {300, 600}, {u("--hold")}), qPrintable(phone.error()));
        Windows w(phone.socketName(), 10000);
        w.main->TimerUSBConnectTimer();
        tovrel::test::answerWhenShown(w.password, [&w, typed] {
            w.password->Password->setText(typed);
            QTest::mouseClick(w.password->OKBtn, Qt::LeftButton);
        });
        QTest::mouseClick(w.main->BitBtnRefersh, Qt::LeftButton);

        // The button's handler is back with the password's answer still held.
        QVERIFY(!w.password->isVisible());
        QVERIFY(w.main->isReadingList());
        QCOMPARE(UsbLoggedIn.load(), 0);
        QCOMPARE(w.controls(), u("10000001"));
        bool ticked = false;
        QTimer::singleShot(10, w.main.get(), [&ticked] { ticked = true; });
        QTRY_VERIFY(ticked);
        w.clickPcTab();
        QCOMPARE(w.main->PageControl1->currentWidget(), w.main->TabSheetComputer);
        QVERIFY(w.main->ButtonExit->isEnabled() && w.main->FindBtn->isEnabled());
        tovrel::test::waitForScan(&*w.main);
        w.messages.clear(); // what the PC tab said of its folder

        if (unplugged) {
            phone.stop();
            w.main->TimerUSBConnectTimer();
            QVERIFY(!w.main->isReadingList());
        } else {
            // Password, count, probe and the two records.
            QVERIFY(phone.release(5));
        }
        QTRY_VERIFY_WITH_TIMEOUT(!w.main->isReadingList(), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(w.messages.texts(), said, 20000);
        QTest::qWait(100);
        QCOMPARE(w.messages.texts(), said);
        QCOMPARE(UsbLoggedIn.load(), rows > 0 ? 1 : 0);
        QCOMPARE(w.main->ListViewMCUModel->rowCount(), rows);
        w.main->PageControl1->setCurrentWidget(w.main->TabSheetMCU);
        QCOMPARE(w.controls(), after);
    }

    // Closing the window while the telephone holds the answer of an exchange (the login's, a
    // record of the list, a packet of an upload) returns long before the link's time-out, with
    // every worker ended; the file of a cut-off upload is a true prefix under its own name,
    // with no temporary file left beside it.
    void closeDuringHeldExchange_data()
    {
        QTest::addColumn<int>("answered");
        QTest::addColumn<bool>("upload");
        QTest::newRow("login") << 0 << false;
        QTest::newRow("list") << 4 << false;
        // The list of two, the first upload record and three packets.
        QTest::newRow("upload") << 5 + 1 + 3 << true;
    }
    void closeDuringHeldExchange()
    {
        QFETCH(int, answered);
        QFETCH(bool, upload);
        constexpr int kTimeoutMs = 10000;
        emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
        QVERIFY2(startPhone(phone, {256 * 20, 300}, {u("--hold"), u("--verbose")}),
                 qPrintable(phone.error()));
        Windows w(phone.socketName(), kTimeoutMs);
        const QString target = m_dir->path() + QStringLiteral("record/");
        w.main->EditSave->setText(target);
        w.main->TimerUSBConnectTimer();
        QVERIFY(phone.release(upload ? 5 : answered));
        tovrel::test::answerWhenShown(
            w.password, [&w] { QTest::mouseClick(w.password->OKBtn, Qt::LeftButton); });
        QTest::mouseClick(w.main->BitBtnRefersh, Qt::LeftButton);
        const int commands = answered + 1; // the last one is left unanswered
        if (upload) {
            QTRY_VERIFY_WITH_TIMEOUT(!w.main->isReadingList(), 20000);
            QCOMPARE(w.main->ListViewMCUModel->rowCount(), 2);
            QTest::mouseClick(w.main->BitBtnUploadAll, Qt::LeftButton);
            QVERIFY(phone.release(answered - 5));
        }
        const QRegularExpression sent(u("(^|\n)%1: ").arg(commands));
        QTRY_VERIFY_WITH_TIMEOUT(phone.log().contains(sent), 20000);
        QTest::qWait(100); // the worker is inside the read of the held answer

        QElapsedTimer closing;
        closing.start();
        w.main->close();
        const qint64 tookMs = closing.elapsed();
        QVERIFY2(tookMs < kTimeoutMs / 4, qPrintable(QString::number(tookMs)));
        QCOMPARE(UsbLoggedIn.load(), answered > 0 ? 1 : 0);
        QVERIFY(!w.messages.texts().contains(u("所选择的文件上传结束")));
        const QStringList left =
            QDir(target).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
        if (!upload) {
            QCOMPARE(left, QStringList());
            return;
        }
        QCOMPARE(left, QStringList{m_recordings[0].fileName(1)});
        const QByteArray partial = m_dir->read(QStringLiteral("record/") + left[0]);
        QVERIFY(partial.size() > 19);
        QVERIFY(partial.size() < m_recordings[0].bytes().size());
        QCOMPARE(partial, m_recordings[0].bytes().left(partial.size()));
    }

    // Closing the window during an upload stops the worker and ends cleanly; the file being
    // written is either whole or a true prefix.
    void closeDuringUpload()
    {
        emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
        QVERIFY2(
            startPhone(phone, {256 * 80}, {QStringLiteral("--delay-ms"), QStringLiteral("15")}),
            qPrintable(phone.error()));
        Windows w(phone.socketName());
        w.main->EditSave->setText(m_dir->path() + QStringLiteral("record/"));
        w.main->TimerUSBConnectTimer();
        w.list(u("9137"));
        QTest::mouseClick(w.main->BitBtnUploadAll, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(w.main->ProgressBarUploadPacket->value() >= 3, 20000);
        w.main->close();
        const QByteArray partial =
            m_dir->read(QStringLiteral("record/") + m_recordings[0].fileName(1));
        QVERIFY(partial.size() > 19);
        QCOMPARE(partial, m_recordings[0].bytes().left(partial.size()));
        QVERIFY(!w.messages.texts().contains(u("所选择的文件上传结束")));
    }

    // A folder that cannot be created leaves the tab running until the upload is cancelled.
    void folderCannotBeCreated()
    {
        emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
        QVERIFY2(startPhone(phone, {1000}), qPrintable(phone.error()));
        Windows w(phone.socketName());
        const QString blocker = m_dir->write(QStringLiteral("plainfile"), "x");
        w.main->EditSave->setText(blocker + QStringLiteral("/record/"));
        w.main->TimerUSBConnectTimer();
        w.list(u("9137"));
        QTest::mouseClick(w.main->BitBtnUploadAll, Qt::LeftButton);
        QTRY_COMPARE(w.messages.texts(), QStringList{u("创建文件夹错误")});
        QTest::qWait(100);
        QCOMPARE(Uploading.load(), 1);
        QCOMPARE(w.main->BitBtnUpload->text(), u("取消上传"));
        QCOMPARE(w.controls(), u("10100000"));
        QTest::mouseClick(w.main->BitBtnUpload, Qt::LeftButton);
        QCOMPARE(Uploading.load(), 0);
        QCOMPARE(w.controls(), u("11111111"));
    }

    // Detached during an upload: the tick resets the tab at once; the worker, working from its
    // own copy of the rows, ends with the link's message and nothing is lost.
    void detachedDuringUpload()
    {
        emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
        QVERIFY2(startPhone(phone, {256 * 80, 300},
                            {QStringLiteral("--delay-ms"), QStringLiteral("15")}),
                 qPrintable(phone.error()));
        Windows w(phone.socketName());
        w.main->EditSave->setText(m_dir->path() + QStringLiteral("record/"));
        w.main->TimerUSBConnectTimer();
        w.list(u("9137"));
        QTest::mouseClick(w.main->BitBtnUploadAll, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(w.main->ProgressBarUploadPacket->value() >= 3, 20000);
        phone.stop();
        w.main->TimerUSBConnectTimer();
        QCOMPARE(Uploading.load(), 0);
        QCOMPARE(w.main->ListViewMCUModel->rowCount(), 0);
        QCOMPARE(w.main->BitBtnConnect->text(), u("USB未连接"));
        // The packet in flight fails (read or write, by when the link went), then the record
        // command of the second file cannot be sent; one warning names both files, the second
        // by the name the list showed.
        QTRY_VERIFY_WITH_TIMEOUT(w.messages.texts().size() >= 3, 20000);
        QTest::qWait(200);
        const QStringList texts = w.messages.texts();
        QCOMPARE(texts.size(), 3);
        QVERIFY(texts[0] == u("USB读数据错误") || texts[0] == u("USB写命令错误"));
        QCOMPARE(texts[1], u("USB写命令错误"));
        QCOMPARE(texts[2], u("以下文件没有完整上传：\n") + m_recordings[0].fileName(1) + u("\n") +
                               m_recordings[1].fileName(2));
        const QByteArray partial =
            m_dir->read(QStringLiteral("record/") + m_recordings[0].fileName(1));
        QVERIFY(partial.size() > 19);
        QCOMPARE(partial, m_recordings[0].bytes().left(partial.size()));
    }

    // Closing the window when the telephone was never opened sends it nothing.
    void closeWithoutOpenMakesNoCall()
    {
        emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
        QVERIFY2(startPhone(phone, {1000}, {QStringLiteral("--verbose")}),
                 qPrintable(phone.error()));
        {
            Windows w(phone.socketName());
            w.main->TimerUSBConnectTimer();
            QCOMPARE(w.main->BitBtnConnect->text(), u("USB已连接"));
            w.main->close();
            QVERIFY(w.messages.texts().isEmpty());
        }
        QTest::qWait(200);
        phone.stop();
        QVERIFY2(!phone.log().contains(QStringLiteral("1: ")), qPrintable(phone.log()));
    }

    // "上传全部" selects every row and then runs the upload button, refusals included; on an
    // empty list nothing else happens.
    void uploadAllWhilePlaying_data()
    {
        QTest::addColumn<QList<quint32>>("lengths");
        QTest::newRow("empty list") << QList<quint32>{};
        QTest::newRow("two rows") << QList<quint32>{300, 300};
    }
    void uploadAllWhilePlaying()
    {
        QFETCH(QList<quint32>, lengths);
        emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
        QVERIFY2(startPhone(phone, lengths), qPrintable(phone.error()));
        Windows w(phone.socketName());
        w.main->EditSave->setText(m_dir->path() + QStringLiteral("record/"));
        w.main->TimerUSBConnectTimer();
        w.list(u("9137"));
        QCOMPARE(w.main->ListViewMCUModel->rowCount(), int(lengths.size()));
        QCOMPARE(w.messages.texts(), QStringList());

        PlayStateFlag = PlayPlaying;
        QTest::mouseClick(w.main->BitBtnUploadAll, Qt::LeftButton);
        QCOMPARE(w.messages.texts(), QStringList{u("请先停止播放！")});
        QCOMPARE(w.main->ListViewMCU->selectedRows().size(), int(lengths.size()));
        QCOMPARE(Uploading.load(), 0);

        // Stopped, an empty list does nothing at all.
        PlayStateFlag = PlayStopped;
        w.messages.clear();
        QTest::mouseClick(w.main->BitBtnUploadAll, Qt::LeftButton);
        if (lengths.isEmpty()) {
            QCOMPARE(Uploading.load(), 0);
            QCOMPARE(w.main->BitBtnUpload->text(), u("上传选择"));
        } else {
            QCOMPARE(Uploading.load(), 1);
            QTRY_COMPARE_WITH_TIMEOUT(w.main->BitBtnUpload->text(), u("上传选择"), 20000);
        }
    }

    // The end of a batch puts the tab back in one step: "取消上传" pressed just after the
    // completion box still cancels, and never starts the batch a second time.
    void cancelPressedAsTheBatchEnds()
    {
        emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
        QVERIFY2(startPhone(phone, {300}, {QStringLiteral("--verbose")}),
                 qPrintable(phone.error()));
        Windows w(phone.socketName());
        w.main->EditSave->setText(m_dir->path() + QStringLiteral("record/"));
        w.main->TimerUSBConnectTimer();
        w.list(u("9137"));
        TMainForm *main = w.main.get();
        w.messages.setOnShow([main](const Message &m) {
            if (m.text != u("所选择的文件上传结束"))
                return;
            // Queued now, run once the box is dismissed; the worker ends meanwhile.
            QMetaObject::invokeMethod(
                main,
                [main] {
                    QThread::msleep(200);
                    if (main->BitBtnUpload->text() == u("取消上传"))
                        QTest::mouseClick(main->BitBtnUpload, Qt::LeftButton);
                },
                Qt::QueuedConnection);
        });
        QTest::mouseClick(w.main->BitBtnUploadAll, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(w.messages.texts().size(), 1, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(w.main->BitBtnUpload->text(), u("上传选择"), 20000);
        QTest::qWait(1000);
        w.messages.setOnShow({});
        QCOMPARE(Uploading.load(), 0);
        QCOMPARE(w.main->BitBtnUpload->text(), u("上传选择"));
        QCOMPARE(w.controls(), u("11111111"));
        QCOMPARE(w.messages.texts(), QStringList{u("所选择的文件上传结束")});
        const QString log = phone.log();
        QCOMPARE(log.count(QStringLiteral("data address")), 2);
    }

    // The login dialog: caption, pre-filled password shown as stars, at most four characters.
    void passwordDialog()
    {
        AppContext context;
        RecordingMessageSink messages;
        context.messages = &messages;
        TPasswordDlg dlg(context);
        QCOMPARE(dlg.windowTitle(), u("USB已成功连接－请输入四位密码"));
        QCOMPARE(dlg.Password->text(), u("9137"));
        QCOMPARE(dlg.Password->displayText(), u("****"));
        QCOMPARE(dlg.Password->maxLength(), 4);
        QCOMPARE(dlg.OKBtn->text(), u("确定"));
        QCOMPARE(dlg.CancelBtn->text(), u("取消"));

        // Centred on the screen, not on the window it belongs to.
        QWidget owner;
        owner.setGeometry(560, 380, 200, 150);
        owner.show();
        TPasswordDlg owned(context, &owner);
        owned.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owned));
        const QPoint centre = owned.screen()->availableGeometry().center();
        QVERIFY2((owned.frameGeometry().center() - centre).manhattanLength() <= 2,
                 qPrintable(QStringLiteral("dialog at %1,%2")
                                .arg(owned.frameGeometry().center().x())
                                .arg(owned.frameGeometry().center().y())));
    }

    // The window closed while a new upload waits for a cancelled worker: nothing starts on the
    // link that the close has released.
    void closedWhileWaitingForCancelledWorker()
    {
        emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
        QVERIFY2(
            startPhone(phone, {256 * 40}, {QStringLiteral("--delay-ms"), QStringLiteral("600")}),
            qPrintable(phone.error()));
        Windows w(phone.socketName(), 3000);
        w.main->EditSave->setText(m_dir->path() + QStringLiteral("record/"));
        w.main->TimerUSBConnectTimer();
        w.list(u("9137"));
        QTest::mouseClick(w.main->BitBtnUploadAll, Qt::LeftButton);
        // Each answer takes 600 ms: the packet after the first is still on its way below.
        QTRY_VERIFY_WITH_TIMEOUT(w.main->ProgressBarUploadPacket->value() >= 1, 20000);
        QTest::mouseClick(w.main->BitBtnUpload, Qt::LeftButton); // cancel
        QCOMPARE(Uploading.load(), 0);
        // Start again; the close comes while the new start waits for the old worker.
        TMainForm *main = w.main.get();
        QTimer::singleShot(20, main, [main] { main->close(); });
        QTest::mouseClick(w.main->BitBtnUpload, Qt::LeftButton);
        QTest::qWait(300);
        QCOMPARE(Uploading.load(), 0);
        QCOMPARE(w.messages.texts(), QStringList());
    }

    // A recording without speech gives a packet bar of maximum 0; once the batch has ended the
    // bars are idle and empty, not Qt's busy animation.
    void emptyRecordingLast()
    {
        emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
        QVERIFY2(startPhone(phone, {300, 0}), qPrintable(phone.error()));
        Windows w(phone.socketName());
        w.main->EditSave->setText(m_dir->path() + QStringLiteral("record/"));
        w.main->TimerUSBConnectTimer();
        w.list(u("9137"));
        int packetMaximum = -1;
        connect(w.main->ProgressBarUploadPacket, &QProgressBar::valueChanged, this,
                [&] { packetMaximum = w.main->ProgressBarUploadPacket->maximum(); });
        QTest::mouseClick(w.main->BitBtnUploadAll, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(w.main->BitBtnUpload->text(), u("上传选择"), 20000);
        QCOMPARE(w.messages.texts(), QStringList{u("所选择的文件上传结束")});
        QCOMPARE(m_dir->read(QStringLiteral("record/") + m_recordings[1].fileName(2)),
                 m_recordings[1].bytes());
        QCOMPARE(packetMaximum, 0); // the empty file's bar had maximum 0
        for (const QProgressBar *bar :
             {w.main->ProgressBarUploadPacket, w.main->ProgressBarUpload}) {
            QCOMPARE(bar->value(), 0);
            QVERIFY(bar->maximum() > bar->minimum());
        }
    }

    // The dialog's close box runs no handler: the flag and the controls stay, and the list is
    // read again as the flag says. Esc is the Cancel button.
    void loginDialogClosedOtherwise_data()
    {
        QTest::addColumn<bool>("byEscape");
        QTest::newRow("close box") << false;
        QTest::newRow("Esc") << true;
    }
    void loginDialogClosedOtherwise()
    {
        QFETCH(bool, byEscape);
        emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
        QVERIFY2(startPhone(phone, {300, 600}), qPrintable(phone.error()));
        Windows w(phone.socketName());
        w.main->TimerUSBConnectTimer();
        w.list(u("9137"));
        QCOMPARE(w.controls(), u("11111111"));
        TPasswordDlg *dlg = w.password;
        tovrel::test::answerWhenShown(dlg, [dlg, byEscape] {
            if (byEscape)
                QTest::keyClick(dlg, Qt::Key_Escape);
            else
                dlg->close();
        });
        QTest::mouseClick(w.main->BitBtnRefersh, Qt::LeftButton);
        QVERIFY(!dlg->isVisible());
        // Still logged in, the list is read again on its worker.
        QTRY_VERIFY(!w.main->isReadingList());
        QCOMPARE(w.messages.texts(), QStringList());
        QCOMPARE(UsbLoggedIn.load(), byEscape ? 0 : 1);
        QCOMPARE(w.controls(), byEscape ? u("11000001") : u("11111111"));
        QCOMPARE(w.main->ListViewMCUModel->rowCount(), byEscape ? 0 : 2);
    }
};

QTEST_MAIN(TestTelephoneTab)
#include "tst_telephonetab.moc"
