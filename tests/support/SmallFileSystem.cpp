#include "SmallFileSystem.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <sys/statvfs.h>

namespace tovrel::test {

SmallFileSystem::SmallFileSystem(const QString &parent, int kilobytes)
    : m_path(parent + QStringLiteral("small/"))
{
    if (!QDir().mkpath(m_path))
        return;
    QProcess mount;
    mount.start(QStringLiteral("mount"),
                {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                 QStringLiteral("size=%1k,mode=0777").arg(kilobytes), QStringLiteral("tmpfs"),
                 m_path});
    m_mounted = mount.waitForFinished(10000) && mount.exitStatus() == QProcess::NormalExit &&
                mount.exitCode() == 0;
}

SmallFileSystem::~SmallFileSystem()
{
    if (m_mounted)
        QProcess::execute(QStringLiteral("umount"), {m_path});
}

bool SmallFileSystem::fill(qint64 bytesLeft)
{
    struct statvfs info
    {
    };
    if (statvfs(QFile::encodeName(m_path).constData(), &info) != 0)
        return false;
    const qint64 freeBytes = qint64(info.f_bavail) * qint64(info.f_frsize);
    QFile filler(m_path + QStringLiteral("filler"));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    const QByteArray block(4096, 'f');
    qint64 toWrite = freeBytes - bytesLeft;
    while (toWrite > 0) {
        const qint64 n = filler.write(block.constData(), std::min<qint64>(toWrite, block.size()));
        if (n <= 0)
            break;
        toWrite -= n;
    }
    filler.close();
    if (statvfs(QFile::encodeName(m_path).constData(), &info) != 0)
        return false;
    return qint64(info.f_bavail) * qint64(info.f_frsize) <= bytesLeft;
}

} // namespace tovrel::test
