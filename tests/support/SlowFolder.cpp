#include "SlowFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace tovrel::test {

SlowFolder::SlowFolder(const QString &source, int delayMs)
    : m_path(QDir::tempPath() + QStringLiteral("/tovrel-slow-%1-%2")
                                    .arg(QCoreApplication::applicationPid())
                                    .arg(quintptr(this), 0, 16))
{
    QDir().mkpath(m_path);
    m_server.start(QStringLiteral(TOVREL_SLOWFS_PROGRAM),
                   {QDir::cleanPath(source), m_path, QString::number(delayMs)});
    // "mounted" comes once the mount is in place; a server that cannot mount ends.
    while (!m_mounted && m_server.waitForReadyRead(10000))
        m_mounted = m_server.readAll().contains("mounted");
}

SlowFolder::~SlowFolder()
{
    m_server.terminate(); // the server unmounts on SIGTERM
    if (m_server.state() != QProcess::NotRunning && !m_server.waitForFinished(10000)) {
        m_server.kill();
        QProcess::execute(QStringLiteral("fusermount3"), {QStringLiteral("-u"), m_path});
    }
    QDir().rmdir(m_path);
}

} // namespace tovrel::test
