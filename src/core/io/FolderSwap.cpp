#include "io/FolderSwap.h"

#include "io/AtomicFile.h"
#include "io/NativePath.h"
#include "io/Platform.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#if TOVREL_POSIX_PATHS && defined(__linux__)
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tovrel {
namespace {

QString failure(const QString &what, const QString &path, const QString &reason)
{
    return QCoreApplication::translate("FolderSwap", "%1：%2（%3）")
        .arg(what, shownPath(path), reason);
}

QString failure(const QString &what, const QString &path, int error)
{
    return failure(what, path, systemErrorText(error));
}

} // namespace

// Linux renames without replacing and swaps in one step (renameat2); every other system, and
// the portable build, takes the std::filesystem forms below.
#if TOVREL_POSIX_PATHS && defined(__linux__)

namespace {

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
        const QString path = hiddenPathBeside(target);
        if (::mkdir(nativePath(path).constData(), 0777) == 0) {
            *created = path;
            return std::nullopt;
        }
        if (errno != EEXIST || attempt == 100)
            return failure(QCoreApplication::translate("FolderSwap", "无法创建目录"),
                           info.absolutePath(), errno);
    }
}

bool entryExists(const QString &path)
{
    struct stat st;
    return ::lstat(nativePath(path).constData(), &st) == 0;
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
    if (!result) {
        if (const auto error = syncToDisk(out))
            result = failure(QCoreApplication::translate("FolderSwap", "写入文件失败"), to, *error);
    }
    if (closeDescriptor(out) != 0 && !result)
        result = failure(QCoreApplication::translate("FolderSwap", "写入文件失败"), to, errno);
    closeDescriptor(in);
    if (result)
        ::unlink(target.constData());
    return result;
}

#else

namespace fs = std::filesystem;

// No call that every system has renames without replacing or swaps two entries in one step:
// "without replacing" is a look before the rename, and the swap is three plain renames. Should
// the swap fail halfway, it puts back what it moved; should even that fail, the message names
// the hidden entry that holds the earlier contents.

std::optional<QString> makeFolderBeside(const QString &target, QString *created)
{
    const QFileInfo info(target);
    for (int attempt = 0;; ++attempt) {
        const QString path = hiddenPathBeside(target);
        std::error_code error;
        if (fs::create_directory(fsPath(path), error)) {
            *created = path;
            return std::nullopt;
        }
        // Not made and no error: the name was taken meanwhile.
        if (error || attempt == 100)
            return failure(QCoreApplication::translate("FolderSwap", "无法创建目录"),
                           info.absolutePath(),
                           error ? systemErrorText(error) : systemErrorText(EEXIST));
    }
}

bool entryExists(const QString &path)
{
    std::error_code error;
    return fs::exists(fs::symlink_status(fsPath(path), error));
}

std::optional<QString> renameIntoPlace(const QString &from, const QString &to)
{
    if (entryExists(to))
        return failure(QCoreApplication::translate("FolderSwap", "无法保存为"), to, EEXIST);
    std::error_code error;
    fs::rename(fsPath(from), fsPath(to), error);
    if (error)
        return failure(QCoreApplication::translate("FolderSwap", "无法保存为"), to,
                       systemErrorText(error));
    return std::nullopt;
}

std::optional<QString> swapEntries(const QString &a, const QString &b)
{
    const QString aside = hiddenPathBeside(b);
    std::error_code error;
    fs::rename(fsPath(b), fsPath(aside), error);
    if (error)
        return failure(QCoreApplication::translate("FolderSwap", "无法替换"), b,
                       systemErrorText(error));
    fs::rename(fsPath(a), fsPath(b), error);
    if (error) {
        const QString reason = failure(QCoreApplication::translate("FolderSwap", "无法替换"), b,
                                       systemErrorText(error));
        std::error_code undo;
        fs::rename(fsPath(aside), fsPath(b), undo);
        if (undo)
            return reason + u'\n' +
                   failure(QCoreApplication::translate("FolderSwap", "原有内容保留在"), aside,
                           systemErrorText(undo));
        return reason;
    }
    fs::rename(fsPath(aside), fsPath(a), error);
    if (error)
        return failure(QCoreApplication::translate("FolderSwap", "原有内容保留在"), aside,
                       systemErrorText(error));
    return std::nullopt;
}

std::optional<QString> removeTree(const QString &path)
{
    // Links are removed, never followed.
    std::error_code error;
    fs::remove_all(fsPath(path), error);
    if (error)
        return failure(QCoreApplication::translate("FolderSwap", "无法删除"), path,
                       systemErrorText(error));
    return std::nullopt;
}

std::optional<QString> copyFileTo(const QString &from, const QString &to)
{
    QFile in;
    if (auto reason = openNativeFile(in, from))
        return failure(QCoreApplication::translate("FolderSwap", "打开文件失败"), from, *reason);
    QFile out;
    if (auto reason = createNativeFile(out, to))
        return failure(QCoreApplication::translate("FolderSwap", "创建文件失败"), to, *reason);
    std::optional<QString> result;
    QByteArray buffer(1 << 16, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0) {
            result = failure(QCoreApplication::translate("FolderSwap", "读取文件失败"), from,
                             in.errorString());
            break;
        }
        if (n == 0)
            break;
        if (out.write(buffer.constData(), n) != n) {
            result = failure(QCoreApplication::translate("FolderSwap", "写入文件失败"), to,
                             out.errorString());
            break;
        }
    }
    if (!result && !out.flush())
        result = failure(QCoreApplication::translate("FolderSwap", "写入文件失败"), to,
                         out.errorString());
    if (!result) {
        if (const auto error = syncToDisk(out.handle()))
            result = failure(QCoreApplication::translate("FolderSwap", "写入文件失败"), to, *error);
    }
    out.close();
    if (!result && out.error() != QFileDevice::NoError)
        result = failure(QCoreApplication::translate("FolderSwap", "写入文件失败"), to,
                         out.errorString());
    if (result) {
        std::error_code error;
        fs::remove(fsPath(to), error);
    }
    return result;
}

#endif

} // namespace tovrel
