#include "PrivateSessionBus.h"

#include <QDBusConnectionInterface>
#include <QStandardPaths>

#include <csignal>

#include <sys/prctl.h>

namespace tovrel::test {

PrivateSessionBus::PrivateSessionBus(bool withKeyring)
{
    for (QProcess *daemon : {&m_bus, &m_keyring}) // ends with the test, also when that crashes
        daemon->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    for (const char *tool : {"dbus-daemon", "gnome-keyring-daemon", "secret-tool"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            m_error += QString::fromLatin1(tool) + QStringLiteral(" is not installed. ");
    if (!m_error.isEmpty())
        return;
    QFile config(m_home.filePath(QStringLiteral("bus.conf"))); // a bus activating no service
    if (config.open(QIODevice::WriteOnly))
        config.write("<busconfig><listen>unix:tmpdir=/tmp</listen><policy context='default'>"
                     "<allow send_destination='*'/><allow receive_sender='*'/><allow own='*'/>"
                     "</policy></busconfig>");
    config.close();
    m_bus.start(QStringLiteral("dbus-daemon"),
                {QStringLiteral("--config-file=") + config.fileName(),
                 QStringLiteral("--print-address=1"), QStringLiteral("--nofork")});
    while (!m_bus.canReadLine() && m_bus.waitForReadyRead()) {
    }
    if ((m_address = QString::fromUtf8(m_bus.readLine()).trimmed()).isEmpty()) {
        m_error = QStringLiteral("No bus: ") + QString::fromUtf8(m_bus.readAllStandardError());
        return;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
    for (const char *name : {"HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"})
        qputenv(name, QFile::encodeName(m_home.path()));
    qunsetenv("XDG_CURRENT_DESKTOP"); // QtKeychain takes the Secret Service outside KDE's desktop
    if (withKeyring)
        startKeyring();
}

PrivateSessionBus::~PrivateSessionBus()
{
    for (QProcess *daemon : {&m_keyring, &m_bus}) {
        daemon->terminate();
        daemon->waitForFinished();
    }
}

bool PrivateSessionBus::startKeyring()
{
    if (m_keyring.state() == QProcess::NotRunning) {
        m_keyring.start(QStringLiteral("gnome-keyring-daemon"),
                        {QStringLiteral("--unlock"), QStringLiteral("--components=secrets"),
                         QStringLiteral("--foreground")});
        m_keyring.write("tovrel-test-keyring"); // the keyring's password, ended by the close
        m_keyring.closeWriteChannel();
    }
    const QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    const QString name = QStringLiteral("org.freedesktop.secrets");
    if (!bus || !QTest::qWaitFor([&] { return bus->isServiceRegistered(name).value(); }, 15000))
        m_error =
            QStringLiteral("No keyring: ") + QString::fromUtf8(m_keyring.readAllStandardError());
    return m_error.isEmpty();
}

} // namespace tovrel::test
