// The telephone's password in gnome-keyring on a private session bus (none at first), against
// the emulator process: kept by the login dialog's 记住密码, read back by libsecret's secret-tool
// and by us, and used by the command line.

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
#include <QTimer>

using namespace tovrel;
using namespace tovrel::test;

class TestPasswordKeyring : public QObject
{
    Q_OBJECT

    std::unique_ptr<PrivateSessionBus> m_bus;
    TestSandbox m_sandbox;
    emulator::EmulatorLauncher m_phone{QStringLiteral(TOVREL_PHONE_EMULATOR)};

    // The windows press the list button; `answer` acts once the keyring has answered the login
    // dialog. Returns the messages shown until the list's end.
    QStringList login(const std::function<void(TPasswordDlg *)> &answer)
    {
        resetLinkFlags();
        StartupWindows w([&](AppContext &c) { c.emulatorSocket = m_phone.socketName(); });
        w.main->TimerUSBConnect->stop();
        w.main->show();
        w.main->TimerUSBConnectTimer();
        bool answered = false;
        answerWhenShown(w.password, [&] {
            answered = QSignalSpy(w.password, &TPasswordDlg::keyringAnswered).wait(15000);
            answer(w.password);
        });
        QTest::mouseClick(w.main->BitBtnRefersh, Qt::LeftButton);
        if (!QTest::qWaitFor([&] { return !w.main->isReadingList(); }, 30000) || !answered)
            return {u("no answer of the keyring or no end of the list")};
        return w.messages.texts();
    }
    // Without --password or --password-file, standard input no terminal.
    ProgramRun listWithoutPassword()
    {
        return runProgram(tovrelProgram(), {u("--lang"), u("en"), u("device"), u("list"),
                                            u("--emulator"), m_phone.socketName()});
    }
    static QString lookUp(const QString &identity) // libsecret's reader, by QtKeychain's keys
    {
        return runProgram(u("secret-tool"),
                          {u("lookup"), u("server"), u("Tovrel Desk"), u("user"), identity})
            .out;
    }

private slots:
    void initTestCase()
    {
        m_bus = std::make_unique<PrivateSessionBus>(false); // the keyring comes after noKeyring
        TOVREL_REQUIRE_BUS(*m_bus);
        QVERIFY2(startOnRecordings(m_phone, m_sandbox.folder().path() + u("phone"),
                                   makeRecordings({1000, 257}, false),
                                   {u("--password"), u("2468")}),
                 qPrintable(m_phone.error()));
    }
    void cleanupTestCase() { m_bus.reset(); }

    void noKeyring()
    {
        const ProgramRun r = listWithoutPassword();
        QCOMPARE(r.err, u("tovrel device: --password-file FILE or --password DDDD is required: no "
                          "keyring is running to hold the telephone's password\n"));
        QCOMPARE(r.exitCode, 1);
        bool enabled = true;
        QString tip;
        login([&](TPasswordDlg *dialog) {
            enabled = dialog->RememberPassword->isEnabled();
            tip = dialog->RememberPassword->toolTip();
            dialog->CancelBtn->click();
        });
        QVERIFY(!enabled);
        QCOMPARE(tip, u("没有正在运行的密钥环（Secret Service），无法记住密码"));
    }

    void keptByTickedLogin()
    {
        QVERIFY2(m_bus->startKeyring(), qPrintable(m_bus->error()));
        QCOMPARE(login([](TPasswordDlg *dialog) {
                     dialog->Password->setText(u("2468"));
                     QTest::mouseClick(dialog->RememberPassword, Qt::LeftButton);
                     QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
                 }),
                 QStringList());
        QCOMPARE(UsbLoggedIn.load(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(lookUp(telephoneIdentity(m_phone.socketName())), u("2468"),
                                  15000);
        QString next; // the next start of the program: a fresh dialog, filled from the keyring
        login([&](TPasswordDlg *dialog) {
            next = dialog->Password->text();
            dialog->CancelBtn->click();
        });
        QCOMPARE(next, u("2468"));
    }
    void commandLineLogsInWithKept() // what keptByTickedLogin kept
    {
        const ProgramRun r = listWithoutPassword();
        QCOMPARE(r.err, QString());
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(tableRowsOf(r.out).size(), 2);
    }

    void storedAndReadBack()
    {
        const QString identity = u("emulator:/tmp/a b/phone");
        QObject context;
        std::optional<QString> error;
        storePassword(identity, u("1357"), &context, [&](const QString &e) { error = e; });
        QTRY_COMPARE_WITH_TIMEOUT(error, std::optional(QString()), 15000);
        QCOMPARE(lookUp(identity), u("1357"));
        const KeyringResult read = readStoredPasswordNow(identity);
        QCOMPARE(read.password.value_or(read.error), u("1357"));
    }
};

QTEST_MAIN(TestPasswordKeyring)
#include "tst_passwordkeyring.moc"
