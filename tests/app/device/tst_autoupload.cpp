// The upload on plugging in, offscreen against the emulator process: the password in
// gnome-keyring and a notification server of the test's own, both on a private session bus.

#include "PhoneFixture.h"
#include "PrivateSessionBus.h"
#include "StartupWindows.h"
#include "TMainForm.h"
#include "TPasswordDlg.h"
#include "TestFolders.h"
#include "TestText.h"

#include "device/LinkFlags.h"
#include "keyring/PasswordKeyring.h"
#include "report/ReportModel.h"

#include <QCheckBox>
#include <QDBusConnection>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

using namespace tovrel;
using namespace tovrel::test;

// org.freedesktop.Notifications as the desktop offers it, keeping what it was sent.
class NotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList apps;
    QStringList bodies;

public slots:
    uint Notify(const QString &app, uint, const QString &, const QString &, const QString &body,
                const QStringList &, const QVariantMap &, int)
    {
        apps.append(app);
        bodies.append(body);
        return uint(bodies.size());
    }
};

class TestAutoUpload : public QObject
{
    Q_OBJECT

    std::unique_ptr<PrivateSessionBus> m_bus;
    NotificationServer m_server;
    std::unique_ptr<TestSandbox> m_sandbox;

private slots:
    void initTestCase()
    {
        m_bus = std::make_unique<PrivateSessionBus>();
        TOVREL_REQUIRE_BUS(*m_bus);
        // A connection of its own, as a notification daemon has.
        QDBusConnection server = QDBusConnection::connectToBus(m_bus->address(), u("server"));
        QVERIFY(server.registerObject(u("/org/freedesktop/Notifications"), &m_server,
                                      QDBusConnection::ExportAllSlots));
        QVERIFY(server.registerService(u("org.freedesktop.Notifications")));
    }
    void init()
    {
        resetLinkFlags();
        m_sandbox = std::make_unique<TestSandbox>();
        m_server.apps.clear();
        m_server.bodies.clear();
    }
    void cleanup()
    {
        m_sandbox.reset();
        resetLinkFlags();
    }
    void cleanupTestCase() { m_bus.reset(); }

    void plugIn_data()
    {
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<bool>("stored");
        QTest::newRow("ticked, password stored") << true << true;
        QTest::newRow("ticked, no password stored") << true << false;
        QTest::newRow("not ticked") << false << true;
    }
    void plugIn()
    {
        QFETCH(bool, ticked);
        QFETCH(bool, stored);
        const TempFolder &dir = m_sandbox->folder();
        const QList<FixtureRecording> recordings = makeRecordings({700, 300, 900}, false);
        const QString phoneFolder = dir.path() + u("phone");
        emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
        // Started once for its socket, then unplugged until the window is up.
        QVERIFY2(startOnRecordings(phone, phoneFolder, recordings), qPrintable(phone.error()));
        phone.stop();
        if (stored) {
            std::optional<QString> error;
            QObject context;
            storePassword(u("emulator:") + QFileInfo(phone.socketName()).absoluteFilePath(),
                          u("9137"), &context, [&](const QString &e) { error = e; });
            QTRY_VERIFY_WITH_TIMEOUT(error.has_value(), 15000);
            QCOMPARE(*error, QString());
        }

        StartupWindows w([&](AppContext &context) {
            context.emulatorSocket = phone.socketName();
            context.deviceTimeoutMs = 2000;
        });
        w.main->TimerUSBConnect->stop(); // the test runs the tick itself
        w.main->show();
        if (ticked) {
            QTest::mouseClick(w.main->CheckBoxAutoUpload, Qt::LeftButton, {}, QPoint(8, 9));
            QVERIFY2(dir.read(u("SysConf.ini")).contains("AutoUpload=1\n"),
                     dir.read(u("SysConf.ini")).constData());
            w.main->CheckBoxAutoUpload->setChecked(false);
            w.main->ReadSysConf();
            QVERIFY(w.main->CheckBoxAutoUpload->isChecked());
        }
        const QString target = dir.path() + u("record/");
        w.main->EditSave->setText(target);
        w.main->EditInput->setText(target);
        w.main->TimerUSBConnectTimer();
        QVERIFY(!w.main->isAutoUploading());

        // Plugged in: a box that is not ticked leaves the telephone alone from the start.
        QVERIFY2(startOnRecordings(phone, phoneFolder, recordings), qPrintable(phone.error()));
        w.main->TimerUSBConnectTimer();
        QCOMPARE(w.main->isAutoUploading(), ticked);
        QTRY_VERIFY_WITH_TIMEOUT(!w.main->isAutoUploading(), 30000);
        QCOMPARE(w.messages.texts(), QStringList());
        QVERIFY(!w.password->isVisible());
        if (!ticked || !stored) {
            QCoreApplication::processEvents();
            if (ticked)
                QCOMPARE(w.main->LabelUpload->text(), u("电话机密码未保存，没有自动上传"));
            QCOMPARE(UsbLoggedIn.load(), 0);
            QVERIFY(!QFileInfo::exists(target) || QDir(target).isEmpty());
            QCOMPARE(m_server.bodies, QStringList());
            return;
        }

        QTRY_COMPARE_WITH_TIMEOUT(m_server.bodies.size(), 1, 15000);
        QCOMPARE(m_server.apps, QStringList{u("Tovrel Desk")});
        QCOMPARE(m_server.bodies[0], u("上传 3 个，已有 0 个，不完整 0 个"));
        waitForScan(w.main.get());
        QCOMPARE(w.main->ListViewFileModel->rowCount(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(dir.read(u("record/") + recordings[i].fileName(i + 1)), recordings[i].bytes());
            QCOMPARE(w.main->ListViewFileModel->row(i).cells.value(1),
                     recordings[i].fileName(i + 1));
        }

        // Unplugged and plugged again: nothing new this time.
        phone.stop();
        w.main->TimerUSBConnectTimer();
        QVERIFY2(startOnRecordings(phone, phoneFolder, recordings), qPrintable(phone.error()));
        w.main->TimerUSBConnectTimer();
        QTRY_COMPARE_WITH_TIMEOUT(m_server.bodies.size(), 2, 30000);
        QCOMPARE(m_server.bodies[1], u("上传 0 个，已有 3 个，不完整 0 个"));
        QCOMPARE(w.messages.texts(), QStringList());
    }
};

QTEST_MAIN(TestAutoUpload)
#include "tst_autoupload.moc"
