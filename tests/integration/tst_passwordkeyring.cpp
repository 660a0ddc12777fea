// The telephone's password in gnome-keyring on a private session bus, read back by libsecret's
// secret-tool and by us, and the command line logging in with it against the emulator process.

#include "PhoneFixture.h"
#include "PrivateSessionBus.h"
#include "ProgramRun.h"
#include "TestFolders.h"
#include "TestText.h"

#include "device/UsbLibrary.h"
#include "keyring/PasswordKeyring.h"

#include <QTest>

using namespace tovrel;
using namespace tovrel::test;

namespace {

QString store(const QString &identity, const QString &password)
{
    QObject context;
    std::optional<QString> error;
    storePassword(identity, password, &context, [&](const QString &e) { error = e; });
    return QTest::qWaitFor([&] { return error.has_value(); }, 15000) ? *error : u("no answer");
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
        QTest::addColumn<QString>("password"); // empty: nothing stored
        QTest::newRow("usb") << u("usb:1234:abcd") << u("2468");
        QTest::newRow("emulator, path with a space") << u("emulator:/tmp/a b/phone") << u("0007");
        QTest::newRow("stored again: replaced") << u("usb:1234:abcd") << u("1357");
        QTest::newRow("nothing stored") << u("usb:ffff:0001") << QString();
    }
    void storedAndReadBack()
    {
        QFETCH(QString, identity);
        QFETCH(QString, password);
        if (!password.isEmpty())
            QCOMPARE(store(identity, password), QString());
        // libsecret's own reader, by QtKeychain's attributes for the entry.
        const ProgramRun lookup = runProgram(
            u("secret-tool"), {u("lookup"), u("server"), u("Tovrel Desk"), u("user"), identity});
        QCOMPARE(lookup.out, password);
        const KeyringResult read = readStoredPasswordNow(identity);
        QCOMPARE(read.error, QString());
        QVERIFY(read.available);
        QCOMPARE(read.password.value_or(QString()), password);
        QVERIFY(keyringAvailable());
    }

    // tovrel device list without --password or --password-file, standard input no terminal.
    void commandLine_data()
    {
        QTest::addColumn<QString>("stored"); // empty: nothing stored for the telephone
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("err");
        QTest::addColumn<bool>("keyring"); // false: stopped for good, so the last row
        const QString required = u("tovrel device: --password-file FILE or --password DDDD is "
                                   "required: ");
        QTest::newRow("stored password logs in") << u("2468") << 0 << QString() << true;
        QTest::newRow("stored wrong password is refused")
            << u("2469") << 1 << u("Wrong password, cannot log in\n") << true;
        QTest::newRow("nothing stored")
            << QString() << 1 << required + u("the keyring holds no password for this telephone\n")
            << true;
        QTest::newRow("no keyring running")
            << QString() << 1
            << required + u("no keyring is running to hold the telephone's password\n") << false;
    }
    void commandLine()
    {
        QFETCH(QString, stored);
        QFETCH(int, exitCode);
        QFETCH(QString, err);
        TempFolder dir;
        emulator::EmulatorLauncher phone{QStringLiteral(TOVREL_PHONE_EMULATOR)};
        QVERIFY2(startOnRecordings(phone, dir.path() + u("phone"),
                                   makeRecordings({1000, 257}, false),
                                   {u("--password"), u("2468")}),
                 qPrintable(phone.error()));
        if (!stored.isEmpty())
            QCOMPARE(store(telephoneIdentity(phone.socketName()), stored), QString());
        QFETCH(bool, keyring);
        if (!keyring)
            QVERIFY2(m_bus->stopKeyring(), qPrintable(m_bus->error()));
        const ProgramRun r =
            runProgram(tovrelProgram(), {u("--lang"), u("en"), u("device"), u("list"),
                                         u("--emulator"), phone.socketName()});
        QCOMPARE(r.err, err);
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(tableRowsOf(r.out).size(), exitCode == 0 ? 2 : 0);
    }
};

QTEST_GUILESS_MAIN(TestPasswordKeyring)
#include "tst_passwordkeyring.moc"
