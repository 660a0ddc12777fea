#include "SlowFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace tovrel::test {

SlowFolder::SlowFolder(const QString &source, int delayMs)
{
    m_path = QDir::tempPath() + QStringLiteral("/tovrel-slow-") +
             QString::number(QCoreApplication::applicationPid()) + QLatin1Char('-') +
             QString::number(quintptr(this), 16);
    if (!QDir().mkpath(m_path))
        return;
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_server.start(QStringLiteral(TOVREL_SLOWFS_PROGRAM),
                   {QDir::cleanPath(source), m_path, QString::number(delayMs)});
    // The server says "mounted" once the mount is in place, or ends when it cannot mount.
    while (m_server.waitForReadyRead(10000)) {
        if (m_server.readAll().contains("mounted")) {
            m_mounted = true;
            break;
        }
    }
    m_path += QLatin1Char('/');
}

SlowFolder::~SlowFolder()
{
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate(); // the server unmounts on SIGTERM
        if (!m_server.waitForFinished(10000)) {
            m_server.kill();
            m_server.waitForFinished();
            QProcess::execute(QStringLiteral("fusermount3"), {QStringLiteral("-u"), m_path});
        }
    }
    QDir().rmdir(m_path);
}

} // namespace tovrel::test
