#include "io/AtomicFile.h"

#include "io/FileTime.h"
#include "io/FolderSwap.h"
#include "io/NativePath.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tovrel {
namespace {

// The new name itself is made durable as far as the folder allows; a folder that cannot be
// synced (some network file systems) does not undo a rename that has happened.
void syncFolderOf([[maybe_unused]] const QString &path)
{
#ifndef Q_OS_WIN
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#endif
}

bool renameOver(const QString &from, const QString &to, QString *error)
{
#ifdef Q_OS_WIN
    if (MoveFileExW(reinterpret_cast<const wchar_t *>(from.utf16()),
                    reinterpret_cast<const wchar_t *>(to.utf16()),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    *error = QCoreApplication::translate("AtomicFile", "无法重命名临时文件");
    return false;
#else
    if (::rename(nativePath(from).constData(), nativePath(to).constData()) != 0) {
        *error = systemErrorText(errno);
        return false;
    }
    syncFolderOf(to);
    return true;
#endif
}

} // namespace

std::optional<QString> syncToDisk(int handle)
{
#ifdef Q_OS_WIN
    const int rc = _commit(handle);
#else
    int rc = 0;
    do {
        rc = ::fsync(handle);
    } while (rc != 0 && errno == EINTR);
#endif
    if (rc == 0)
        return std::nullopt;
    return systemErrorText(errno);
}

void failWritesPastFileSizeLimit()
{
#ifdef SIGXFSZ
    // Ignored, the signal leaves the write to fail with EFBIG, which every writer reports.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

AtomicFile::AtomicFile(QString path) : m_path(std::move(path)) {}

AtomicFile::~AtomicFile()
{
    discard();
}

bool AtomicFile::fail(const QString &reason)
{
    m_failed = true;
    if (m_error.isEmpty())
        m_error = reason;
    return false;
}

bool AtomicFile::failAndDiscard(const QString &reason)
{
    fail(reason);
    discard();
    return false;
}

bool AtomicFile::open()
{
    discard();
    m_failed = false;
    m_error.clear();
    for (int attempt = 0; attempt < 8; ++attempt) {
        m_file.setFileName(hiddenPathBeside(m_path));
        if (m_file.open(QIODevice::ReadWrite | QIODevice::NewOnly | QIODevice::Unbuffered)) {
            m_state = State::Writing;
            return true;
        }
        // Only a name taken meanwhile is tried again; that file is someone else's.
        const bool taken = QFile::exists(m_file.fileName());
        const QString reason = m_file.errorString();
        m_file.setFileName(QString());
        if (!taken)
            return fail(reason);
    }
    return fail(QCoreApplication::translate("AtomicFile", "找不到可用的临时文件名"));
}

bool AtomicFile::write(QByteArrayView bytes)
{
    if (m_state != State::Writing || m_failed)
        return fail(QCoreApplication::translate("AtomicFile", "文件没有打开"));
    if (bytes.isEmpty())
        return true;
    if (m_file.write(bytes.data(), bytes.size()) != bytes.size())
        return fail(m_file.errorString());
    return true;
}

bool AtomicFile::seek(qint64 position)
{
    if (m_state != State::Writing || m_failed)
        return fail(QCoreApplication::translate("AtomicFile", "文件没有打开"));
    return m_file.seek(position) || fail(m_file.errorString());
}

bool AtomicFile::releaseForWriter()
{
    if (m_state != State::Writing || m_failed)
        return fail(QCoreApplication::translate("AtomicFile", "文件没有打开"));
    m_file.close();
    m_state = State::Released;
    return true;
}

bool AtomicFile::finish()
{
    if (m_state == State::Finished)
        return true;
    if ((m_state != State::Writing && m_state != State::Released) || m_failed) {
        discard();
        return fail(QCoreApplication::translate("AtomicFile", "文件没有打开"));
    }
    // What another writer wrote and closed is reopened, without truncating it, to be synced.
    if (m_state == State::Released && !m_file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return failAndDiscard(m_file.errorString());
    if (!m_file.flush())
        return failAndDiscard(m_file.errorString());
    if (m_modificationTime.isValid()) {
        if (const auto error = tovrel::setModificationTime(m_file.fileName(), m_modificationTime))
            return failAndDiscard(*error);
    }
    if (const auto error = syncToDisk(m_file.handle()))
        return failAndDiscard(*error);
    // The replacement keeps the permissions the user gave the earlier file. They are given only
    // now, so that a read-only original does not keep a writer that fills the file by its name
    // from reopening it.
    const QFileInfo target(m_path);
    if (target.isFile())
        m_file.setPermissions(target.permissions());
    m_file.unsetError();
    m_file.close();
    if (m_file.error() != QFileDevice::NoError)
        return failAndDiscard(m_file.errorString());
    m_state = State::Finished;
    return true;
}

bool AtomicFile::commit()
{
    if (!finish())
        return false;
    QString error;
    if (!renameOver(m_file.fileName(), m_path, &error))
        return failAndDiscard(error);
    m_file.setFileName(QString());
    m_state = State::None;
    return true;
}

bool AtomicFile::commitIfAbsent(bool *taken)
{
    *taken = false;
    if (!finish())
        return false;
    // Without replacing in one step where the system can (renameIntoPlace); the look first only
    // spares a failure's wording.
    if (entryExists(m_path)) {
        *taken = true;
        discard();
        return false;
    }
    if (const auto error = renameIntoPlace(m_file.fileName(), m_path)) {
        *taken = entryExists(m_path);
        return failAndDiscard(*error);
    }
    syncFolderOf(m_path);
    m_file.setFileName(QString());
    m_state = State::None;
    return true;
}

void AtomicFile::discard()
{
    m_state = State::None;
    if (m_file.fileName().isEmpty())
        return;
    if (m_file.isOpen())
        m_file.close();
    QFile::remove(m_file.fileName());
    m_file.setFileName(QString());
}

} // namespace tovrel
