#include "io/FileTime.h"

#include "io/Platform.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <cstring>

#if !TOVREL_POSIX_PATHS
#include <QFileDevice>
#else
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace tovrel {

std::optional<QString> setModificationTime(const QString &path, const QDateTime &time)
{
    if (!time.isValid())
        return QCoreApplication::translate("FileTime", "没有有效的时间");
#if !TOVREL_POSIX_PATHS
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        return file.errorString();
    if (!file.setFileTime(time, QFileDevice::FileModificationTime))
        return file.errorString();
    return std::nullopt;
#else
    const qint64 ms = time.toMSecsSinceEpoch();
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = time_t(ms / 1000 - (ms % 1000 < 0 ? 1 : 0));
    times[1].tv_nsec = long(((ms % 1000) + 1000) % 1000) * 1000000L;
    if (::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    return std::nullopt;
#endif
}

} // namespace tovrel
