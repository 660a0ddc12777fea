// The telephone's password in gnome-keyring on a private session bus, against the emulator.

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

    PrivateSessionBus m_bus{false}; // the keyring comes after noKeyring
    TestSandbox m_sandbox;
    emulator::EmulatorLauncher m_phone{QStringLiteral(TOVREL_PHONE_EMULATOR)};
    std::optional<StartupWindows> m_windows; // kept until the next login: the store goes on

    // The login dialog once the keyring has answered: password, 记住密码 enabled, its tool tip.
    using Seen = std::tuple<QString, bool, QString>;
    // The windows press the list button, the dialog is seen and `answer` acts (else: Cancel).
    Seen login(const std::function<void(TPasswordDlg *)> &answer = {})
    {
        resetLinkFlags();
        StartupWindows &w =
            m_windows.emplace([&](AppContext &c) { c.emulatorSocket = m_phone.socketName(); });
        w.main->TimerUSBConnect->stop();
        w.main->show();
        w.main->TimerUSBConnectTimer();
        Seen seen{u("no answer of the keyring"), false, QString()};
        answerWhenShown(w.password, [&] {
            if (QSignalSpy(w.password, &TPasswordDlg::keyringAnswered).wait(15000))
                seen = {w.password->Password->text(), w.password->RememberPassword->isEnabled(),
                        w.password->RememberPassword->toolTip()};
            answer ? answer(w.password) : w.password->CancelBtn->click();
        });
        w.main->BitBtnRefersh->click();
        const bool ended = QTest::qWaitFor([&] { return !w.main->isReadingList(); }, 30000);
        return ended ? seen : Seen(u("the list did not end"), false, QString());
    }
    // tovrel device list without --password or --password-file: exit code, errors, rows listed.
    std::tuple<int, QString, qsizetype> listWithoutPassword()
    {
        const ProgramRun r =
            runProgram(tovrelProgram(), u("--lang en device list --emulator").split(u' ')
                                            << m_phone.socketName());
        return {r.exitCode, r.err, tableRowsOf(r.out).size()};
    }

private slots:
    void initTestCase()
    {
        TOVREL_REQUIRE_BUS(m_bus);
        QVERIFY2(startOnRecordings(m_phone, m_sandbox.folder().path() + u("phone"),
                                   makeRecordings({1000, 257}, false),
                                   {u("--password"), u("2468")}),
                 qPrintable(m_phone.error()));
    }

    void noKeyring()
    {
        const QString why = u("tovrel device: --password-file FILE or --password DDDD is required: "
                              "no keyring is running to hold the telephone's password\n");
        QCOMPARE(listWithoutPassword(), std::tuple(1, why, 0));
        QCOMPARE(login(),
                 Seen(u("9137"), false, u("没有正在运行的密钥环（Secret Service），无法记住密码")));
    }

    void keyringRunning()
    {
        QVERIFY2(m_bus.startKeyring(), qPrintable(m_bus.error()));
        const QStringList lookUp{u("lookup"), u("server"), u("Tovrel Desk"),
                                 u("user")}; // libsecret
        const auto tickAndLogIn = [](TPasswordDlg *dialog) {
            dialog->Password->setText(u("2468"));
            QTest::mouseClick(dialog->RememberPassword, Qt::LeftButton);
            QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
        };
        QCOMPARE(login(tickAndLogIn), Seen(u("9137"), true, QString()));
        const QStringList kept = lookUp + QStringList{telephoneIdentity(m_phone.socketName())};
        QTRY_COMPARE_WITH_TIMEOUT(runProgram(u("secret-tool"), kept).out, u("2468"), 15000);
        QCOMPARE(login(), Seen(u("2468"), true, QString())); // next start: filled from the keyring
        QCOMPARE(listWithoutPassword(), std::tuple(0, QString(), 2)); // with what the window kept
    }
};

QTEST_MAIN(TestPasswordKeyring)
#include "tst_passwordkeyring.moc"
