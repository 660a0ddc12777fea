#include "recordings/FolderScan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tovrel {
namespace {

// "*.spx" with the letter case ignored, as the pattern matches on the desktop systems.
bool hasRecordingExtension(QStringView name)
{
    return name.endsWith(QStringView(u".spx"), Qt::CaseInsensitive);
}

void sortByName(QStringList &names)
{
    // The order QDir::Name gives: plain comparison of the names.
    std::sort(names.begin(), names.end(),
              [](const QString &a, const QString &b) { return a.compare(b) < 0; });
}

#ifdef Q_OS_UNIX

// The folder, opened once; every file is opened relative to it, so no path is built or resolved
// from the root per file. Listing a folder of tens of thousands of recordings is dominated by
// the system calls, and this keeps them to open, read and close per file.
class FolderHandle
{
public:
    explicit FolderHandle(const QString &folder)
        : m_dir(opendir(QFile::encodeName(folder).constData()))
    {}
    ~FolderHandle()
    {
        if (m_dir)
            closedir(m_dir);
    }
    FolderHandle(const FolderHandle &) = delete;
    FolderHandle &operator=(const FolderHandle &) = delete;

    bool opened() const { return m_dir != nullptr; }

    QStringList recordingNames() const
    {
        QStringList names;
        if (!m_dir)
            return names;
        rewinddir(m_dir);
        while (const dirent *e = readdir(m_dir)) {
            const QString name = QFile::decodeName(e->d_name);
            if (!hasRecordingExtension(name) || !isRegularFile(e))
                continue;
            names.append(name);
        }
        sortByName(names);
        return names;
    }

    // The first 32 bytes (zero-filled past the end), or false with the reason.
    bool readHeader(const QString &name, char (&bytes)[kHeaderProbeLength], QString &reason) const
    {
        const int fd =
            openat(dirfd(m_dir), QFile::encodeName(name).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            reason = QString::fromLocal8Bit(strerror(errno));
            return false;
        }
        std::fill(std::begin(bytes), std::end(bytes), char(0));
        qsizetype got = 0;
        while (got < kHeaderProbeLength) {
            const ssize_t n = read(fd, bytes + got, size_t(kHeaderProbeLength - got));
            if (n <= 0)
                break;
            got += n;
        }
        close(fd);
        return true;
    }

private:
    bool isRegularFile(const dirent *e) const
    {
        if (e->d_type == DT_REG)
            return true;
        if (e->d_type != DT_LNK && e->d_type != DT_UNKNOWN)
            return false;
        struct stat st;
        return fstatat(dirfd(m_dir), e->d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
    }

    DIR *m_dir;
};

#else

class FolderHandle
{
public:
    explicit FolderHandle(const QString &folder) : m_dir(folder) {}

    bool opened() const { return m_dir.exists() && m_dir.isReadable(); }

    QStringList recordingNames() const
    {
        return m_dir.entryList({QStringLiteral("*.spx")}, QDir::Files | QDir::Hidden, QDir::Name);
    }

    bool readHeader(const QString &name, char (&bytes)[kHeaderProbeLength], QString &reason) const
    {
        QFile file(m_dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            reason = file.errorString();
            return false;
        }
        std::fill(std::begin(bytes), std::end(bytes), char(0));
        file.read(bytes, kHeaderProbeLength);
        return true;
    }

private:
    QDir m_dir;
};

#endif

} // namespace

QString noSupportedFilesMessage()
{
    return QString::fromUtf8("此目录没有任何可支持的文件！");
}

QString unreadableFolderMessage()
{
    return QString::fromUtf8("无法读取此目录！");
}

QString unreadableFilesMessage(const QStringList &fileNames)
{
    return QString::fromUtf8("以下文件无法读取：\n") + fileNames.join(QLatin1Char('\n'));
}

QStringList recordingFileNames(const QString &folder)
{
    if (folder.isEmpty())
        return {};
    return FolderHandle(folder).recordingNames();
}

FolderScanResult scanRecordingFolder(const QString &folder)
{
    FolderScanResult result;
    if (folder.isEmpty()) {
        result.message = noSupportedFilesMessage();
        return result;
    }
    const FolderHandle handle(folder);
    const QStringList names = handle.recordingNames();
    if (names.isEmpty()) {
        // A folder that exists but cannot be listed is not an empty one.
        result.message = !handle.opened() && QFileInfo(folder).isDir() ? unreadableFolderMessage()
                                                                       : noSupportedFilesMessage();
        return result;
    }
    const QString base = QDir(folder).absolutePath() + QLatin1Char('/');
    result.recordings.reserve(names.size());
    QStringList unreadableNames;
    for (const QString &name : names) {
        char bytes[kHeaderProbeLength];
        QString reason;
        if (!handle.readHeader(name, bytes, reason)) {
            // One file that cannot be read (locked, no permission) hides none of the others.
            result.unreadable.append({base + name, reason});
            unreadableNames.append(name);
            continue;
        }
        const RecordingHeader header = decodeHeader(QByteArrayView(bytes, kHeaderProbeLength));
        result.conversionTotal += chunkCount(header.payloadLength);
        result.recordings.append({base + name, name, header});
    }
    if (!unreadableNames.isEmpty())
        result.message = unreadableFilesMessage(unreadableNames);
    return result;
}

QStringList recordingRowCells(int rowNumber, const QString &fileName, const RecordingHeader &header)
{
    return {QString::number(rowNumber),
            fileName,
            header.number,
            dateTimeText(header),
            attributeText(header.attribute),
            sizeText(header.payloadLength),
            durationText(durationSeconds(header.payloadLength))};
}

} // namespace tovrel
