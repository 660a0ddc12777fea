// The telephone's password in the keyring: gnome-keyring's Secret Service on a private session
// bus, read back by libsecret's own secret-tool and by us, and the command line logging in with
// it against the emulator process.

#include "PhoneFixture.h"
#include "PrivateSessionBus.h"
#include "ProgramRun.h"
#include "TestFolders.h"
#include "TestText.h"

#include "device/UsbLibrary.h"
#include "keyring/PasswordKeyring.h"

#include <QProcess>
#include <QTest>

using namespace tovrel;
using namespace tovrel::test;

namespace {

// `tovrel device ARGS` in `env`, standard input not a terminal.
ProgramRun runDevice(const QStringList &args, const QProcessEnvironment &env)
{
    QProcess tovrel;
    tovrel.setProcessEnvironment(env);
    tovrel.start(tovrelProgram(), QStringList{u("device")} + args);
    ProgramRun run;
    if (tovrel.waitForFinished(30000) && tovrel.exitStatus() == QProcess::NormalExit)
        run.exitCode = tovrel.exitCode();
    run.out = QString::fromUtf8(tovrel.readAllStandardOutput());
    run.err = QString::fromUtf8(tovrel.readAllStandardError());
    return run;
}

QString store(const QString &identity, const QString &password)
{
    QObject context;
    std::optional<QString> error;
    storePassword(identity, password, &context, [&](const QString &e) { error = e; });
    if (!QTest::qWaitFor([&] { return error.has_value(); }, 15000))
        return u("no answer from the keyring");
    return *error;
}

} // namespace

class TestPasswordKeyring : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PrivateSessionBus> m_bus;

private slots:
    void initTestCase()
    {
        m_bus = std::make_unique<PrivateSessionBus>();
        TOVREL_REQUIRE_BUS(*m_bus);
    }
    void cleanupTestCase() { m_bus.reset(); }

    void storedAndReadBack_data()
    {
        QTest::addColumn<QString>("identity");
        QTest::addColumn<QString>("password");
        QTest::newRow("usb") << u("usb:1234:abcd") << u("2468");
        QTest::newRow("emulator, path with a space") << u("emulator:/tmp/a b/phone") << u("0007");
        QTest::newRow("stored again: replaced") << u("usb:1234:abcd") << u("1357");
    }
    void storedAndReadBack()
    {
        QFETCH(QString, identity);
        QFETCH(QString, password);
        QCOMPARE(store(identity, password), QString());
        // libsecret's own reader, by QtKeychain's attributes for the entry.
        const ProgramRun lookup = runProgram(
            u("secret-tool"), {u("lookup"), u("server"), u("Tovrel Desk"), u("user"), identity});
        QCOMPARE(lookup.exitCode, 0);
        QCOMPARE(lookup.out, password);
        const KeyringResult read = readStoredPasswordNow(identity);
        QCOMPARE(read.error, QString());
        QCOMPARE(read.password, std::optional<QString>(password));
    }

    void nothingStored()
    {
        QString why = u("unset");
        QVERIFY(keyringAvailable(&why));
        QCOMPARE(why, QString());
        const KeyringResult read = readStoredPasswordNow(u("usb:ffff:0001"));
        QVERIFY(read.available);
        QCOMPARE(read.error, QString());
        QVERIFY(!read.password);
    }

    // tovrel device list without --password or --password-file.
    void commandLine_data()
    {
        QTest::addColumn<QString>("stored"); // empty: nothing stored for the telephone
        QTest::addColumn<bool>("keyring");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("err");
        QTest::newRow("stored password logs in") << u("2468") << true << 0 << QString();
        QTest::newRow("stored wrong password is refused")
            << u("2469") << true << 1 << u("Wrong password, cannot log in\n");
        QTest::newRow("nothing stored")
            << QString() << true << 1
            << u("tovrel device: --password-file FILE or --password DDDD is required: the "
                 "keyring holds no password for this telephone\n");
        QTest::newRow("no keyring running")
            << u("2468") << false << 1
            << u("tovrel device: --password-file FILE or --password DDDD is required: no "
                 "keyring is running to hold the telephone's password\n");
    }
    void commandLine()
    {
        QFETCH(QString, stored);
        QFETCH(bool, keyring);
        QFETCH(int, exitCode);
        QFETCH(QString, err);
        TempFolder dir;
        const QList<FixtureRecording> recordings = makeRecordings({1000, 257}, false);
        emulator::EmulatorLauncher phone{QStringLiteral(TOVREL_PHONE_EMULATOR)};
        QVERIFY(writeRecordings(dir.path() + u("phone"), recordings));
        QVERIFY2(
            phone.start({u("--recordings"), dir.path() + u("phone"), u("--password"), u("2468")}),
            qPrintable(phone.error()));
        const QString identity = telephoneIdentity(phone.socketName());
        if (!stored.isEmpty())
            QCOMPARE(store(identity, stored), QString());
        const ProgramRun r =
            runDevice({u("--lang"), u("en"), u("list"), u("--emulator"), phone.socketName()},
                      keyring ? QProcessEnvironment::systemEnvironment()
                              : m_bus->environmentWithoutKeyring());
        QCOMPARE(r.err, err);
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(tableRowsOf(r.out).size(), exitCode == 0 ? recordings.size() : 0);
    }
};

QTEST_GUILESS_MAIN(TestPasswordKeyring)
#include "tst_passwordkeyring.moc"
