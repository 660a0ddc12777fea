// The upload on plugging in, offscreen against the emulator process: the password in
// gnome-keyring and a notification server of the test's own, both on a private session bus.

#include "PhoneFixture.h"
#include "PrivateSessionBus.h"
#include "StartupWindows.h"
#include "TMainForm.h"
#include "TestFolders.h"
#include "TestText.h"

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

// org.freedesktop.Notifications as a desktop offers it, keeping "app: body" of each call.
class NotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList received;
public slots:
    uint Notify(const QString &app, uint, const QString &, const QString &, const QString &body,
                const QStringList &, const QVariantMap &, int)
    {
        received.append(app + u(": ") + body);
        return uint(received.size());
    }
};

class TestAutoUpload : public QObject
{
    Q_OBJECT
    std::unique_ptr<PrivateSessionBus> m_bus;
    NotificationServer m_server;

private slots:
    void initTestCase()
    {
        m_bus = std::make_unique<PrivateSessionBus>();
        TOVREL_REQUIRE_BUS(*m_bus);
        QDBusConnection server = QDBusConnection::connectToBus(m_bus->address(), u("server"));
        QVERIFY(server.registerObject(u("/org/freedesktop/Notifications"), &m_server,
                                      QDBusConnection::ExportAllSlots));
        QVERIFY(server.registerService(u("org.freedesktop.Notifications")));
    }

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
        m_server.received.clear();
        TestSandbox sandbox;
        const TempFolder &dir = sandbox.folder();
        const QList<FixtureRecording> recordings = makeRecordings({700, 300, 900}, false);
        emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
        auto plug = [&] { return startOnRecordings(phone, dir.path() + u("phone"), recordings); };
        QVERIFY2(plug(), qPrintable(phone.error())); // for its socket; unplugged in the loop
        std::optional<QString> error = stored ? std::nullopt : std::optional(QString());
        if (stored)
            storePassword(u("emulator:") + QFileInfo(phone.socketName()).absoluteFilePath(),
                          u("9137"), this, [&](const QString &e) { error = e; });
        QTRY_COMPARE_WITH_TIMEOUT(error, std::optional<QString>(QString()), 15000);

        StartupWindows w([&](AppContext &c) { c.emulatorSocket = phone.socketName(); });
        w.main->TimerUSBConnect->stop(); // the test runs the tick itself
        w.main->show();
        if (ticked) { // remembered in SysConf.ini
            QTest::mouseClick(w.main->CheckBoxAutoUpload, Qt::LeftButton, {}, QPoint(8, 9));
            QVERIFY(dir.read(u("SysConf.ini")).contains("[Upload]\nAutoUpload=1\n"));
        }
        const QString target = dir.path() + u("record/");
        w.main->EditSave->setText(target);
        w.main->EditInput->setText(target);
        // Plugged in twice, the second time with nothing new; not ticked: nothing from the start.
        QStringList expected;
        for (const QString &counts :
             {u("上传 3 个，已有 0 个，不完整 0 个"), u("上传 0 个，已有 3 个，不完整 0 个")}) {
            phone.stop();
            w.main->TimerUSBConnectTimer();
            QVERIFY2(plug(), qPrintable(phone.error()));
            w.main->TimerUSBConnectTimer();
            QCOMPARE(w.main->isAutoUploading(), ticked);
            QTRY_VERIFY_WITH_TIMEOUT(!w.main->isAutoUploading(), 30000);
            QCOMPARE(w.messages.texts(), QStringList());
            if (!ticked || !stored) {
                if (ticked)
                    QCOMPARE(w.main->LabelUpload->text(), u("电话机密码未保存，没有自动上传"));
                QVERIFY(QDir(target).isEmpty());
                QCOMPARE(m_server.received, QStringList());
                return;
            }
            expected.append(u("Tovrel Desk: ") + counts);
            QTRY_COMPARE_WITH_TIMEOUT(m_server.received, expected, 15000);
            waitForScan(w.main.get());
            QCOMPARE(w.main->ListViewFileModel->rowCount(), 3);
            for (int i = 0; i < 3; ++i) {
                const QString name = recordings[i].fileName(i + 1);
                QCOMPARE(dir.read(u("record/") + name), recordings[i].bytes());
                QCOMPARE(w.main->ListViewFileModel->row(i).cells.value(1), name);
            }
        }
    }
};

QTEST_MAIN(TestAutoUpload)
#include "tst_autoupload.moc"
