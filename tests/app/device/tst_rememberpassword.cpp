// 记住密码 in the login dialog, offscreen against the emulator process, with gnome-keyring's
// Secret Service on a private session bus (or no keyring on it).

#include "PhoneFixture.h"
#include "PrivateSessionBus.h"
#include "ProgramRun.h"
#include "StartupWindows.h"
#include "TMainForm.h"
#include "TPasswordDlg.h"
#include "TestFolders.h"
#include "TestText.h"

#include "device/LinkFlags.h"
#include "device/UsbLibrary.h"
#include "keyring/PasswordKeyring.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace tovrel;
using namespace tovrel::test;

namespace {

const QString kNoKeyring = u("没有正在运行的密钥环（Secret Service），无法记住密码");

// The dialog once the keyring has answered: text, box enabled, ticked, its tool tip.
using Seen = std::tuple<QString, bool, bool, QString>;

struct Windows : StartupWindows
{
    explicit Windows(const QString &socket)
        : StartupWindows([&](AppContext &context) { context.emulatorSocket = socket; })
    {
        main->TimerUSBConnect->stop();
        main->show();
        main->TimerUSBConnectTimer();
    }

    // Presses the list button, lets `answer` act once the dialog has the keyring's answer and
    // waits for the list's end.
    Seen login(const std::function<void()> &answer)
    {
        Seen seen;
        answerWhenShown(password, [&] {
            if (QSignalSpy(password, &TPasswordDlg::keyringAnswered).wait(15000))
                seen = {password->Password->text(), password->RememberPassword->isEnabled(),
                        password->RememberPassword->isChecked(),
                        password->RememberPassword->toolTip()};
            answer();
        });
        QTest::mouseClick(main->BitBtnRefersh, Qt::LeftButton);
        if (!QTest::qWaitFor([this] { return !main->isReadingList(); }, 30000))
            seen = {u("list did not end"), false, false, QString()};
        return seen;
    }
};

} // namespace

class TestRememberPassword : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PrivateSessionBus> m_bus;

private slots:
    void initTestCase()
    {
        m_bus = std::make_unique<PrivateSessionBus>(false);
        TOVREL_REQUIRE_BUS(*m_bus);
    }
    void cleanupTestCase() { m_bus.reset(); }

    void remember_data()
    {
        QTest::addColumn<QString>("before");      // kept before the dialog shows (empty: none)
        QTest::addColumn<bool>("keyring");        // when the dialog shows
        QTest::addColumn<bool>("tick");           // 记住密码 ticked at OK
        QTest::addColumn<bool>("keyringAtStore"); // when the login has succeeded, and after
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("kept"); // in the keyring afterwards, filling the next dialog
        // In this order: the keyring is never restarted once used (PrivateSessionBus).
        QTest::newRow("no keyring: box disabled")
            << QString() << false << false << false << QStringList() << QString();
        QTest::newRow("not ticked: nothing kept")
            << QString() << true << false << true << QStringList() << QString();
        QTest::newRow("ticked: kept, next dialog filled")
            << QString() << true << true << true << QStringList() << u("2468");
        QTest::newRow("kept, box cleared: forgotten")
            << u("2468") << true << false << true << QStringList() << QString();
        QTest::newRow("keyring gone before the store")
            << QString() << true << true << false << QStringList{kNoKeyring} << QString();
    }
    void remember()
    {
        QFETCH(QString, before);
        QFETCH(bool, keyring);
        QFETCH(bool, tick);
        QFETCH(bool, keyringAtStore);
        QFETCH(QStringList, messages);
        QFETCH(QString, kept);
        resetLinkFlags();
        TestSandbox sandbox;
        emulator::EmulatorLauncher phone(QStringLiteral(TOVREL_PHONE_EMULATOR));
        QVERIFY2(startOnRecordings(phone, sandbox.folder().path() + u("phone"),
                                   makeRecordings({1000}, false), {u("--password"), u("2468")}),
                 qPrintable(phone.error()));
        QVERIFY2(keyring ? m_bus->startKeyring() : m_bus->stopKeyring(),
                 qPrintable(m_bus->error()));
        if (!before.isEmpty()) {
            QObject context;
            QString error = u("no answer");
            storePassword(telephoneIdentity(phone.socketName()), before, &context,
                          [&](const QString &e) { error = e; });
            QTRY_COMPARE_WITH_TIMEOUT(error, QString(), 15000);
        }
        {
            Windows w(phone.socketName());
            const Seen first = w.login([&] {
                w.password->Password->setText(u("2468"));
                if (w.password->RememberPassword->isChecked() != tick)
                    QTest::mouseClick(w.password->RememberPassword, Qt::LeftButton);
                if (!keyringAtStore)
                    m_bus->stopKeyring();
                QTest::mouseClick(w.password->OKBtn, Qt::LeftButton);
            });
            QCOMPARE(first, Seen(before.isEmpty() ? u("9137") : before, keyring, !before.isEmpty(),
                                 keyring ? QString() : kNoKeyring));
            QCOMPARE(UsbLoggedIn.load(), 1);
            QTRY_COMPARE_WITH_TIMEOUT(w.messages.texts(), messages, 15000);
            // libsecret's own reader: the entry once stored, or none.
            const QStringList lookup{u("lookup"), u("server"), u("Tovrel Desk"), u("user"),
                                     w.password->telephoneIdentity()};
            QTRY_COMPARE_WITH_TIMEOUT(runProgram(u("secret-tool"), lookup).out, kept, 15000);
        }
        // The next start of the program: a fresh dialog, filled from the keyring.
        resetLinkFlags();
        Windows next(phone.socketName());
        const Seen second = next.login([&] { next.password->CancelBtn->click(); });
        QCOMPARE(second, Seen(kept.isEmpty() ? u("9137") : kept, keyringAtStore, !kept.isEmpty(),
                              keyringAtStore ? QString() : kNoKeyring));
        resetLinkFlags();
    }
};

QTEST_MAIN(TestRememberPassword)
#include "tst_rememberpassword.moc"
