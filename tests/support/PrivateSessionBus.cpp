#include "PrivateSessionBus.h"

#include <QDBusConnectionInterface>
#include <QStandardPaths>

namespace tovrel::test {

PrivateSessionBus::PrivateSessionBus(bool withKeyring)
{
    for (const char *tool : {"dbus-daemon", "gnome-keyring-daemon", "secret-tool"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            m_error += QString::fromLatin1(tool) + QStringLiteral(" is not installed. ");
    QFile config(m_home.filePath(QStringLiteral("bus.conf"))); // a bus activating no service
    config.open(QIODevice::WriteOnly);
    config.write("<busconfig><listen>unix:tmpdir=/tmp</listen><policy context='default'><allow "
                 "send_destination='*'/><allow receive_sender='*'/><allow own='*'/></policy>"
                 "</busconfig>");
    config.close();
    m_bus.start(QStringLiteral("dbus-daemon"),
                {QStringLiteral("--config-file=") + config.fileName(),
                 QStringLiteral("--print-address=1"), QStringLiteral("--nofork")});
    const bool line = QTest::qWaitFor([&] { return m_bus.canReadLine(); }, 15000);
    if (!line || (m_address = QString::fromUtf8(m_bus.readLine()).trimmed()).isEmpty()) {
        m_error += QStringLiteral("No bus: ") + QString::fromUtf8(m_bus.readAllStandardError());
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
    m_keyring.start(QStringLiteral("gnome-keyring-daemon"),
                    QStringLiteral("--unlock --components=secrets --foreground").split(u' '));
    m_keyring.write("tovrel-test-keyring"); // the keyring's password, ended by the close
    m_keyring.closeWriteChannel();
    const QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    const QString name = QStringLiteral("org.freedesktop.secrets");
    if (!bus || !QTest::qWaitFor([&] { return bus->isServiceRegistered(name).value(); }, 15000))
        m_error += QStringLiteral("gnome-keyring-daemon did not come on the bus.");
    return m_error.isEmpty();
}

} // namespace tovrel::test
