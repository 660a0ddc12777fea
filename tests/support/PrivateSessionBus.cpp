#include "PrivateSessionBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QStandardPaths>
#include <QTimer>

#include <csignal>

#include <sys/prctl.h>

namespace tovrel::test {
namespace {

constexpr int kStartMs = 15000;
const QString kSecrets = QStringLiteral("org.freedesktop.secrets");
const QString kKeyringPassword = QStringLiteral("tovrel-test-keyring");

// A session bus that starts no services on demand: only what the test starts is on it.
constexpr char kConfig[] = R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

// The daemons end with the test program, also when it crashes or is killed.
void endWithTheTest(QProcess &process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

void stop(std::unique_ptr<QProcess> &process)
{
    if (!process)
        return;
    process->terminate();
    if (!process->waitForFinished(5000)) {
        process->kill();
        process->waitForFinished(5000);
    }
    process.reset();
}

} // namespace

QString PrivateSessionBus::missingTool()
{
    for (const char *tool : {"dbus-daemon", "gnome-keyring-daemon", "secret-tool"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return QStringLiteral("%1 is not installed (scripts/setup --test installs it)")
                .arg(QString::fromLatin1(tool));
    }
    return {};
}

PrivateSessionBus::PrivateSessionBus(bool withKeyring)
{
    m_error = missingTool();
    if (!m_error.isEmpty())
        return;
    QDir home(m_home.path());
    QFile config(home.filePath(QStringLiteral("bus.conf")));
    if (!m_home.isValid() || !home.mkpath(QStringLiteral("data")) ||
        !home.mkdir(QStringLiteral("run")) ||
        !QFile::setPermissions(home.filePath(QStringLiteral("run")),
                               QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) ||
        !config.open(QIODevice::WriteOnly) || config.write(kConfig) < 0 || !config.flush()) {
        m_error = QStringLiteral("cannot set up the bus's folder %1").arg(home.path());
        return;
    }
    config.close();
    m_bus = std::make_unique<QProcess>();
    if (!startBus(*m_bus, &m_address))
        return;
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
    qputenv("HOME", QFile::encodeName(m_home.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home.filePath(QStringLiteral("run"))));
    // QtKeychain picks the Secret Service outside KDE's desktop.
    qunsetenv("XDG_CURRENT_DESKTOP");
    qunsetenv("DESKTOP_SESSION");
    if (withKeyring)
        startKeyring();
}

PrivateSessionBus::~PrivateSessionBus()
{
    stop(m_keyring);
    stop(m_bareBus);
    stop(m_bus);
}

bool PrivateSessionBus::startBus(QProcess &daemon, QString *address)
{
    endWithTheTest(daemon);
    daemon.start(
        QStringLiteral("dbus-daemon"),
        {QStringLiteral("--config-file=%1").arg(m_home.filePath(QStringLiteral("bus.conf"))),
         QStringLiteral("--print-address=1"), QStringLiteral("--nofork")});
    while (daemon.waitForStarted(kStartMs) && !daemon.canReadLine() &&
           daemon.state() == QProcess::Running && daemon.waitForReadyRead(kStartMs)) {
    }
    *address = QString::fromUtf8(daemon.readLine()).trimmed();
    if (address->isEmpty()) {
        m_error = QStringLiteral("dbus-daemon gave no address: %1")
                      .arg(QString::fromUtf8(daemon.readAllStandardError()).trimmed());
        return false;
    }
    return true;
}

bool PrivateSessionBus::startKeyring()
{
    if (m_keyring)
        return true;
    m_keyring = std::make_unique<QProcess>();
    endWithTheTest(*m_keyring);
    m_keyring->start(QStringLiteral("gnome-keyring-daemon"),
                     {QStringLiteral("--unlock"), QStringLiteral("--components=secrets"),
                      QStringLiteral("--foreground")});
    // The login keyring's password on standard input; its end says there is no more.
    if (!m_keyring->waitForStarted(kStartMs)) {
        m_error =
            QStringLiteral("gnome-keyring-daemon does not start: %1").arg(m_keyring->errorString());
        return false;
    }
    m_keyring->write(kKeyringPassword.toUtf8());
    m_keyring->closeWriteChannel();
    return waitForSecrets(true);
}

bool PrivateSessionBus::stopKeyring()
{
    stop(m_keyring);
    return waitForSecrets(false);
}

bool PrivateSessionBus::waitForSecrets(bool owned)
{
    // A connection of its own: the test's session connection is left as the code under test
    // makes it.
    const QString name = QStringLiteral("tovrel-test-watch");
    bool answered = false;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(m_address, name);
        QDBusServiceWatcher watcher(kSecrets, bus,
                                    owned ? QDBusServiceWatcher::WatchForRegistration
                                          : QDBusServiceWatcher::WatchForUnregistration);
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusServiceWatcher::serviceRegistered, &loop,
                         &QEventLoop::quit);
        QObject::connect(&watcher, &QDBusServiceWatcher::serviceUnregistered, &loop,
                         &QEventLoop::quit);
        QTimer::singleShot(kStartMs, &loop, &QEventLoop::quit);
        if (bus.interface()->isServiceRegistered(kSecrets).value() != owned)
            loop.exec();
        answered = bus.interface()->isServiceRegistered(kSecrets).value() == owned;
    }
    QDBusConnection::disconnectFromBus(name);
    if (!answered)
        m_error = owned ? QStringLiteral("gnome-keyring-daemon did not come on the bus: %1")
                              .arg(m_keyring ? QString::fromUtf8(m_keyring->readAllStandardError())
                                             : QString())
                        : QStringLiteral("the Secret Service stayed on the bus");
    return answered;
}

QProcessEnvironment PrivateSessionBus::environmentWithoutKeyring()
{
    if (!m_bareBus) {
        m_bareBus = std::make_unique<QProcess>();
        if (!startBus(*m_bareBus, &m_bareAddress))
            m_bareAddress.clear();
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_bareAddress);
    return env;
}

} // namespace tovrel::test
