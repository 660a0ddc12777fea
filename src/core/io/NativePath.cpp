#include "io/NativePath.h"

#include "io/Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>

#if TOVREL_HAS_POSIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tovrel {
namespace {

constexpr char16_t kKeptByteBase = 0xDC00;

bool isKeptByte(QStringView text, qsizetype i)
{
    const char16_t c = text[i].unicode();
    if (c < 0xDC80 || c > 0xDCFF)
        return false;
    // The low half of a surrogate pair is a character beyond U+FFFF, not a kept byte.
    return i == 0 || !QChar::isHighSurrogate(text[i - 1].unicode());
}

// The length of the valid UTF-8 sequence at `p` (at most `left` bytes), or 0.
int validSequence(const unsigned char *p, qsizetype left)
{
    const unsigned char b = p[0];
    if (b < 0x80)
        return 1;
    int length;
    char32_t code;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        code = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        code = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        code = b & 0x07;
    } else {
        return 0;
    }
    if (left < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    // Overlong forms, surrogates and values beyond U+10FFFF are not valid UTF-8.
    if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
        (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

QString pathFromNative(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n && p[i] < 0x80)
        ++i;
    if (i == n)
        return QString::fromLatin1(bytes.data(), n);
    QString text;
    text.reserve(n);
    qsizetype run = 0; // start of the valid bytes not yet appended
    i = 0;
    while (i < n) {
        const int length = validSequence(p + i, n - i);
        if (length > 0) {
            i += length;
            continue;
        }
        text += QString::fromUtf8(bytes.data() + run, i - run);
        text += QChar(char16_t(kKeptByteBase + p[i]));
        run = ++i;
    }
    text += QString::fromUtf8(bytes.data() + run, n - run);
    return text;
}

QByteArray nativePath(QStringView path)
{
    QByteArray bytes;
    bytes.reserve(path.size() * 3);
    qsizetype run = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (!isKeptByte(path, i))
            continue;
        bytes += path.mid(run, i - run).toUtf8();
        bytes += char(path[i].unicode() - kKeptByteBase);
        run = i + 1;
    }
    bytes += path.mid(run).toUtf8();
    return bytes;
}

QString hiddenPathBeside(const QString &target)
{
    // The longest name a folder entry may have, in bytes of the file system's encoding.
    constexpr qsizetype kLongestName = 255;
    const QFileInfo info(target);
    const QString suffix = QLatin1Char('.') +
                           QString::number(QRandomGenerator::global()->generate(), 36) +
                           QStringLiteral(".part");
    QString name = QLatin1Char('.') + info.fileName() + suffix;
    if (nativePath(name).size() > kLongestName || shownPath(name) != name)
        name = QStringLiteral(".tovrel") + suffix;
    return info.dir().filePath(name);
}

QString shownPath(const QString &path)
{
    QString shown = path;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (isKeptByte(shown, i))
            shown[i] = QChar::ReplacementCharacter;
    }
    return shown;
}

std::filesystem::path fsPath(QStringView path)
{
#ifdef _WIN32
    return std::filesystem::path(path.toString().toStdWString());
#else
    return std::filesystem::path(nativePath(path).toStdString());
#endif
}

QString pathFromFs(const std::filesystem::path &path)
{
#ifdef _WIN32
    return QString::fromStdWString(path.native());
#else
    return pathFromNative(QByteArrayView(path.native().data(), qsizetype(path.native().size())));
#endif
}

std::string nameBytes(const std::filesystem::path &name)
{
#ifdef _WIN32
    return QString::fromStdWString(name.native()).toStdString();
#else
    return name.native();
#endif
}

#if TOVREL_HAS_POSIX
int openNative(const QString &path, int extraFlags)
{
    int fd;
    do {
        fd = ::open(nativePath(path).constData(), O_RDONLY | O_CLOEXEC | extraFlags);
    } while (fd < 0 && errno == EINTR);
    return fd;
}
#endif

std::optional<QString> openNativeFile(QFile &file, const QString &path, QIODevice::OpenMode mode)
{
#if TOVREL_POSIX_PATHS
    // Non-blocking, so a pipe that carries a recording's name cannot hold the reader.
    const bool write = mode.testFlag(QIODevice::WriteOnly);
    const int fd = write ? openNative(path, O_NONBLOCK | O_RDWR) : openNative(path, O_NONBLOCK);
    if (fd < 0)
        return systemErrorText(errno);
    if (!file.open(fd, QIODevice::ReadOnly | mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return file.errorString();
    }
    return std::nullopt;
#else
    // A pipe or a device is not opened at all: opening it could wait for a writer.
    const std::filesystem::path native = fsPath(path);
    std::error_code error;
    const auto type = std::filesystem::status(native, error).type();
    if (!error && type != std::filesystem::file_type::regular &&
        type != std::filesystem::file_type::directory &&
        type != std::filesystem::file_type::not_found)
        return notRegularFileText();
#ifdef _WIN32
    std::FILE *stream =
        _wfopen(native.c_str(), mode.testFlag(QIODevice::WriteOnly) ? L"r+b" : L"rb");
#else
    std::FILE *stream =
        std::fopen(native.c_str(), mode.testFlag(QIODevice::WriteOnly) ? "r+b" : "rb");
#endif
    if (!stream)
        return systemErrorText(errno);
    if (!file.open(stream, QIODevice::ReadOnly | mode, QFileDevice::AutoCloseHandle)) {
        std::fclose(stream);
        return file.errorString();
    }
    return std::nullopt;
#endif
}

std::optional<QString> createNativeFile(QFile &file, const QString &path)
{
#if TOVREL_POSIX_PATHS
    int fd;
    do {
        fd = ::open(nativePath(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return systemErrorText(errno);
    if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered,
                   QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return file.errorString();
    }
#else
    // "x": fails when the name is taken.
#ifdef _WIN32
    std::FILE *stream = _wfopen(fsPath(path).c_str(), L"wbx");
#else
    std::FILE *stream = std::fopen(fsPath(path).c_str(), "wbx");
#endif
    if (!stream)
        return systemErrorText(errno);
    if (!file.open(stream, QIODevice::WriteOnly | QIODevice::Unbuffered,
                   QFileDevice::AutoCloseHandle)) {
        std::fclose(stream);
        return file.errorString();
    }
#endif
    return std::nullopt;
}

QString notRegularFileText()
{
    return QCoreApplication::translate("NativePath", "不是普通文件");
}

QString systemErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString systemErrorText(const std::error_code &error)
{
    return QString::fromLocal8Bit(error.message());
}

} // namespace tovrel
