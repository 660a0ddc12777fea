#include "io/AtomicFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tovrel {
namespace {

// Hidden, and never matching "*.spx" or "*.wav": a left-over temporary file is not listed.
QString temporaryNameFor(const QString &path)
{
    const QFileInfo info(path);
    const QString suffix = QString::number(QRandomGenerator::global()->generate(), 36);
    return info.dir().filePath(QLatin1Char('.') + info.fileName() + QLatin1Char('.') + suffix +
                               QStringLiteral(".part"));
}

bool syncToDisk(QFile &file)
{
#ifdef Q_OS_WIN
    return _commit(file.handle()) == 0;
#else
    int rc = 0;
    do {
        rc = ::fsync(file.handle());
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
#endif
}

bool renameOver(const QString &from, const QString &to, QString *error)
{
#ifdef Q_OS_WIN
    if (MoveFileExW(reinterpret_cast<const wchar_t *>(from.utf16()),
                    reinterpret_cast<const wchar_t *>(to.utf16()),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    *error = QStringLiteral("cannot rename the temporary file");
    return false;
#else
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    // The new name itself is made durable as far as the folder allows; a folder that cannot be
    // synced (some network file systems) does not undo a rename that has happened.
    const QByteArray folder = QFile::encodeName(QFileInfo(to).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    return true;
#endif
}

} // namespace

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

bool AtomicFile::open()
{
    discard();
    m_failed = false;
    m_error.clear();
    const QFileInfo target(m_path);
    for (int attempt = 0; attempt < 8; ++attempt) {
        m_file.setFileName(temporaryNameFor(m_path));
        if (m_file.open(QIODevice::ReadWrite | QIODevice::NewOnly | QIODevice::Unbuffered)) {
            // The replacement keeps the permissions the user gave the earlier file.
            if (target.isFile())
                m_file.setPermissions(target.permissions());
            return true;
        }
        // Only a name taken meanwhile is tried again; that file is someone else's.
        const bool taken = QFile::exists(m_file.fileName());
        const QString reason = m_file.errorString();
        m_file.setFileName(QString());
        if (!taken)
            return fail(reason);
    }
    return fail(QStringLiteral("no free temporary name"));
}

bool AtomicFile::write(QByteArrayView bytes)
{
    if (!m_file.isOpen() || m_failed)
        return fail(QStringLiteral("the file is not open"));
    if (bytes.isEmpty())
        return true;
    if (m_file.write(bytes.data(), bytes.size()) != bytes.size())
        return fail(m_file.errorString());
    return true;
}

bool AtomicFile::seek(qint64 position)
{
    if (!m_file.isOpen() || m_failed)
        return fail(QStringLiteral("the file is not open"));
    return m_file.seek(position) || fail(m_file.errorString());
}

bool AtomicFile::commit()
{
    if (!m_file.isOpen() || m_failed) {
        discard();
        return fail(QStringLiteral("the file is not open"));
    }
    if (!m_file.flush() || !syncToDisk(m_file)) {
        fail(m_file.error() != QFileDevice::NoError ? m_file.errorString()
                                                    : QString::fromLocal8Bit(std::strerror(errno)));
        discard();
        return false;
    }
    m_file.unsetError();
    m_file.close();
    if (m_file.error() != QFileDevice::NoError) {
        fail(m_file.errorString());
        discard();
        return false;
    }
    QString error;
    if (!renameOver(m_file.fileName(), m_path, &error)) {
        fail(error);
        discard();
        return false;
    }
    m_file.setFileName(QString());
    return true;
}

void AtomicFile::discard()
{
    if (m_file.fileName().isEmpty())
        return;
    if (m_file.isOpen())
        m_file.close();
    QFile::remove(m_file.fileName());
    m_file.setFileName(QString());
}

} // namespace tovrel
