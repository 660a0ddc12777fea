#include "io/FolderSwap.h"

#include "io/NativePath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tovrel {
namespace {

// The longest name a folder entry may have, in bytes of the file system's encoding.
constexpr qsizetype kLongestName = 255;

QString failure(const QString &what, const QString &path, int error)
{
    return QCoreApplication::translate("FolderSwap", "%1：%2（%3）")
        .arg(what, shownPath(path), systemErrorText(error));
}

int closeDescriptor(int fd)
{
    // close() is not retried on EINTR on Linux: the descriptor is gone either way.
    return ::close(fd);
}

bool writeAll(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

} // namespace

std::optional<QString> makeFolderBeside(const QString &target, QString *created)
{
    const QFileInfo info(target);
    for (int attempt = 0;; ++attempt) {
        // Hidden, with the permissions any new folder gets (the user's umask applies).
        const QString suffix = QLatin1Char('.') +
                               QString::number(QRandomGenerator::global()->generate(), 36) +
                               QStringLiteral(".part");
        QString name = QLatin1Char('.') + info.fileName() + suffix;
        if (nativePath(name).size() > kLongestName)
            name = QStringLiteral(".tovrel") + suffix;
        const QString path = info.dir().filePath(name);
        if (::mkdir(nativePath(path).constData(), 0777) == 0) {
            *created = path;
            return std::nullopt;
        }
        if (errno != EEXIST || attempt == 100)
            return failure(QCoreApplication::translate("FolderSwap", "无法创建目录"),
                           info.absolutePath(), errno);
    }
}

std::optional<QString> renameIntoPlace(const QString &from, const QString &to)
{
    if (::renameat2(AT_FDCWD, nativePath(from).constData(), AT_FDCWD, nativePath(to).constData(),
                    RENAME_NOREPLACE) != 0)
        return failure(QCoreApplication::translate("FolderSwap", "无法保存为"), to, errno);
    return std::nullopt;
}

std::optional<QString> swapEntries(const QString &a, const QString &b)
{
    if (::renameat2(AT_FDCWD, nativePath(a).constData(), AT_FDCWD, nativePath(b).constData(),
                    RENAME_EXCHANGE) != 0)
        return failure(QCoreApplication::translate("FolderSwap", "无法替换"), b, errno);
    return std::nullopt;
}

namespace {

// Empties the folder open as `fd` (which it closes) below the path `shown`; returns the failing
// entry's errno and fills `where`, or 0.
int emptyFolder(int fd, const QByteArray &shown, QByteArray *where)
{
    DIR *dir = ::fdopendir(fd);
    if (!dir) {
        const int error = errno;
        ::close(fd);
        *where = shown;
        return error;
    }
    int error = 0;
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry) {
            if (errno != 0) {
                error = errno;
                *where = shown;
            }
            break;
        }
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray path = shown + '/' + name;
        if (::unlinkat(fd, entry->d_name, 0) == 0)
            continue;
        if (errno != EISDIR && errno != EPERM) {
            error = errno;
            *where = path;
            break;
        }
        const int sub =
            ::openat(fd, entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (sub < 0) {
            error = errno;
            *where = path;
            break;
        }
        error = emptyFolder(sub, path, where);
        if (error == 0 && ::unlinkat(fd, entry->d_name, AT_REMOVEDIR) != 0) {
            error = errno;
            *where = path;
        }
        if (error != 0)
            break;
    }
    ::closedir(dir);
    return error;
}

} // namespace

std::optional<QString> removeTree(const QString &path)
{
    const QByteArray native = nativePath(path);
    struct stat st;
    if (::lstat(native.constData(), &st) != 0)
        return failure(QCoreApplication::translate("FolderSwap", "无法删除"), path, errno);
    if (!S_ISDIR(st.st_mode)) {
        if (::unlink(native.constData()) != 0)
            return failure(QCoreApplication::translate("FolderSwap", "无法删除"), path, errno);
        return std::nullopt;
    }
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return failure(QCoreApplication::translate("FolderSwap", "无法删除"), path, errno);
    QByteArray where;
    if (const int error = emptyFolder(fd, native, &where))
        return failure(QCoreApplication::translate("FolderSwap", "无法删除"), pathFromNative(where),
                       error);
    if (::rmdir(native.constData()) != 0)
        return failure(QCoreApplication::translate("FolderSwap", "无法删除"), path, errno);
    return std::nullopt;
}

std::optional<QString> copyFileTo(const QString &from, const QString &to)
{
    const int in = openNative(from);
    if (in < 0)
        return failure(QCoreApplication::translate("FolderSwap", "打开文件失败"), from, errno);
    const QByteArray target = nativePath(to);
    const int out = ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0) {
        const int error = errno;
        closeDescriptor(in);
        return failure(QCoreApplication::translate("FolderSwap", "创建文件失败"), to, error);
    }
    std::optional<QString> result;
    QByteArray buffer(1 << 16, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), size_t(buffer.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            result =
                failure(QCoreApplication::translate("FolderSwap", "读取文件失败"), from, errno);
            break;
        }
        if (n == 0)
            break;
        if (!writeAll(out, buffer.constData(), n)) {
            result = failure(QCoreApplication::translate("FolderSwap", "写入文件失败"), to, errno);
            break;
        }
    }
    if (!result && ::fsync(out) != 0)
        result = failure(QCoreApplication::translate("FolderSwap", "写入文件失败"), to, errno);
    if (closeDescriptor(out) != 0 && !result)
        result = failure(QCoreApplication::translate("FolderSwap", "写入文件失败"), to, errno);
    closeDescriptor(in);
    if (result)
        ::unlink(target.constData());
    return result;
}

} // namespace tovrel
