#include "io/NativePath.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

QString shownPath(const QString &path)
{
    QString shown = path;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (isKeptByte(shown, i))
            shown[i] = QChar::ReplacementCharacter;
    }
    return shown;
}

int openNative(const QString &path, int extraFlags)
{
    int fd;
    do {
        fd = ::open(nativePath(path).constData(), O_RDONLY | O_CLOEXEC | extraFlags);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

qint64 nativeFileSize(const QString &path)
{
    struct stat st;
    if (::stat(nativePath(path).constData(), &st) != 0)
        return -1;
    return qint64(st.st_size);
}

QString systemErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace tovrel
