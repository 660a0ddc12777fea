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

constexpr int kWaitMs = 15000;
const QString kSecrets = QStringLiteral("org.freedesktop.secrets");

// A session bus that starts no service on demand: only what the test starts is on it.
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

// Started to end with the test program, also when it crashes or is killed.
std::unique_ptr<QProcess> start(const QString &program, const QStringList &args)
{
    auto process = std::make_unique<QProcess>();
    process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process->start(program, args);
    process->waitForStarted(kWaitMs);
    return process;
}

void stop(std::unique_ptr<QProcess> &process)
{
    if (process) {
        process->terminate();
        if (!process->waitForFinished(5000))
            process->kill();
        process->waitForFinished(5000);
    }
    process.reset();
}

} // namespace

PrivateSessionBus::PrivateSessionBus(bool withKeyring)
{
    for (const char *tool : {"dbus-daemon", "gnome-keyring-daemon", "secret-tool"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            m_error = QStringLiteral("%1 is not installed (scripts/setup --test installs it)")
                          .arg(QString::fromLatin1(tool));
            return;
        }
    }
    const QDir home(m_home.path());
    QFile config(home.filePath(QStringLiteral("bus.conf")));
    if (!home.mkpath(QStringLiteral("data")) || !home.mkpath(QStringLiteral("run")) ||
        !QFile::setPermissions(home.filePath(QStringLiteral("run")),
                               QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) ||
        !config.open(QIODevice::WriteOnly) || config.write(kConfig) < 0 || !config.flush()) {
        m_error = QStringLiteral("cannot set up the bus's folder %1").arg(home.path());
        return;
    }
    m_bus = start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--config-file=") + config.fileName(),
                   QStringLiteral("--print-address=1"), QStringLiteral("--nofork")});
    while (!m_bus->canReadLine() && m_bus->waitForReadyRead(kWaitMs)) {
    }
    m_address = QString::fromUtf8(m_bus->readLine()).trimmed();
    if (m_address.isEmpty()) {
        m_error = QStringLiteral("dbus-daemon gave no address: ") +
                  QString::fromUtf8(m_bus->readAllStandardError());
        return;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home.filePath(QStringLiteral("run"))));
    // QtKeychain takes the Secret Service outside KDE's desktop.
    qunsetenv("XDG_CURRENT_DESKTOP");
    qunsetenv("DESKTOP_SESSION");
    if (withKeyring)
        startKeyring();
}

PrivateSessionBus::~PrivateSessionBus()
{
    stop(m_keyring);
    stop(m_bus);
}

bool PrivateSessionBus::startKeyring()
{
    if (m_keyring)
        return true;
    m_keyring = start(QStringLiteral("gnome-keyring-daemon"),
                      {QStringLiteral("--unlock"), QStringLiteral("--components=secrets"),
                       QStringLiteral("--foreground")});
    // The login keyring's password on standard input, ended by its close.
    m_keyring->write("tovrel-test-keyring");
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
    // A connection of its own: the process's session connection stays as the code under test
    // makes it.
    const QString name = QStringLiteral("tovrel-test-watch");
    bool reached = false;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(m_address, name);
        QDBusServiceWatcher watcher(kSecrets, bus,
                                    owned ? QDBusServiceWatcher::WatchForRegistration
                                          : QDBusServiceWatcher::WatchForUnregistration);
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusServiceWatcher::serviceOwnerChanged, &loop,
                         &QEventLoop::quit);
        QTimer::singleShot(kWaitMs, &loop, &QEventLoop::quit);
        if (bus.interface()->isServiceRegistered(kSecrets).value() != owned)
            loop.exec();
        reached = bus.interface()->isServiceRegistered(kSecrets).value() == owned;
    }
    QDBusConnection::disconnectFromBus(name);
    if (!reached)
        m_error = owned ? QStringLiteral("gnome-keyring-daemon did not come on the bus: ") +
                              QString::fromUtf8(m_keyring->readAllStandardError())
                        : QStringLiteral("the Secret Service stayed on the bus");
    return reached;
}

} // namespace tovrel::test
