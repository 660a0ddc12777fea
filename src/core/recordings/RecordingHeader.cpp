#include "recordings/RecordingHeader.h"

#include "io/NativePath.h"

#include <QFile>

#include <array>
#include <cerrno>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

namespace tovrel {
namespace {

// The header as a zero-filled 32-byte array, so every field can be read without bounds checks.
std::array<quint8, kHeaderProbeLength> padded(QByteArrayView bytes)
{
    std::array<quint8, kHeaderProbeLength> b{};
    const qsizetype n = std::min<qsizetype>(bytes.size(), kHeaderProbeLength);
    for (qsizetype i = 0; i < n; ++i)
        b[size_t(i)] = quint8(bytes[i]);
    return b;
}

quint32 bigEndian(const quint8 *p, int bytes)
{
    quint32 v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | p[i];
    return v;
}

void putBigEndian(char *p, quint32 value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i) {
        p[i] = char(value & 0xFF);
        value >>= 8;
    }
}

QChar nibbleChar(int nibble)
{
    if (nibble <= 9)
        return QChar(u'0' + nibble);
    switch (nibble) {
    case 10:
        return QLatin1Char('X');
    case 11:
        return QLatin1Char('#');
    default:
        return QLatin1Char('?'); // 12..14 do not occur in valid records
    }
}

// The number text of the lists: the characters before the first nibble of 15.
QString numberText(const HeaderFields &f)
{
    QString text;
    text.reserve(f.nibbleCount);
    for (int i = 0; i < f.nibbleCount; ++i) {
        const int nibble = f.nibbles[size_t(i)];
        if (nibble == 15)
            break;
        text.append(nibbleChar(nibble));
    }
    return text;
}

void encodeNumber(char *field, int nibbles, const QString &number)
{
    std::fill(field, field + nibbles / 2, char(0xFF));
    int at = 0;
    for (const QChar c : number) {
        if (at >= nibbles)
            break;
        int nibble;
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            nibble = c.unicode() - u'0';
        else if (c == QLatin1Char('X'))
            nibble = 10;
        else if (c == QLatin1Char('#'))
            nibble = 11;
        else
            continue;
        char &byte = field[at / 2];
        byte = (at % 2 == 0) ? char((nibble << 4) | (quint8(byte) & 0x0F))
                             : char((quint8(byte) & 0xF0) | nibble);
        ++at;
    }
}

QString twoDigits(int value)
{
    return QString::asprintf("%d%d", value / 10, value % 10);
}

} // namespace

bool isLongForm(QByteArrayView bytes)
{
    const auto b = padded(bytes);
    return b[28] == 0xFF && b[29] == 0xFF && b[30] == 0xFF && b[31] == 0xFF;
}

HeaderFields decodeHeaderFields(const HeaderBytes &bytes)
{
    return decodeHeaderFields(bytes, isLongForm(QByteArrayView(bytes.data(), bytes.size())));
}

HeaderFields decodeHeaderFields(const HeaderBytes &bytes, bool longForm)
{
    const auto *b = reinterpret_cast<const quint8 *>(bytes.data());
    HeaderFields f;
    f.longForm = longForm;
    f.attribute = b[2] >> 6;
    f.month = b[2] & 0x0F;
    f.day = b[3] >> 3;
    f.hour = ((b[3] & 0x07) << 2) | (b[4] >> 6);
    f.minute = b[4] & 0x3F;
    const quint8 *number = b + (longForm ? 10 : 5);
    f.nibbleCount = longForm ? 20 : 12;
    for (int i = 0; i < f.nibbleCount; i += 2) {
        f.nibbles[size_t(i)] = number[i / 2] >> 4;
        f.nibbles[size_t(i) + 1] = number[i / 2] & 0x0F;
    }
    if (longForm) {
        f.startAddress = bigEndian(&b[5], 3) * 256u;
        f.storedLength = bigEndian(&b[8], 2) * 256u;
        f.yearByte = b[24];
    } else {
        f.startAddress = bigEndian(&b[11], 4);
        f.storedLength = bigEndian(&b[15], 4);
    }
    return f;
}

RecordingHeader decodeHeader(QByteArrayView bytes)
{
    return decodeHeader(bytes, isLongForm(bytes));
}

RecordingHeader decodeHeader(QByteArrayView bytes, bool longForm)
{
    const auto p = padded(bytes);
    HeaderBytes raw;
    std::copy(p.begin(), p.end(), raw.begin());
    const HeaderFields f = decodeHeaderFields(raw, longForm);
    RecordingHeader h;
    h.longForm = longForm;
    h.attribute = f.attribute;
    h.month = f.month;
    h.day = f.day;
    h.hour = f.hour;
    h.minute = f.minute;
    h.number = numberText(f);
    h.startAddress = f.startAddress;
    h.payloadLength = f.payloadLength();
    if (longForm)
        h.year = f.year();
    return h;
}

QByteArray encodeHeader(const RecordingHeader &h)
{
    QByteArray out(h.headerLength(), '\0');
    char *b = out.data();
    b[2] = char(((h.attribute & 0x03) << 6) | (h.month & 0x0F));
    b[3] = char(((h.day & 0x1F) << 3) | ((h.hour >> 2) & 0x07));
    b[4] = char(((h.hour & 0x03) << 6) | (h.minute & 0x3F));
    if (h.longForm) {
        putBigEndian(b + 5, h.startAddress / 256u, 3);
        const quint32 pages = std::min<quint32>((quint64(h.payloadLength) + 255) / 256, 0xFFFF);
        putBigEndian(b + 8, pages, 2);
        encodeNumber(b + 10, 20, h.number);
        b[24] = char(h.year >= 2000 && h.year <= 2200 ? h.year - 2000 : 0);
        std::fill(b + 28, b + 32, char(0xFF));
    } else {
        encodeNumber(b + 5, 12, h.number);
        putBigEndian(b + 11, h.startAddress, 4);
        putBigEndian(b + 15, h.payloadLength, 4);
    }
    return out;
}

QByteArray recordIdentity(QByteArrayView record, bool longForm)
{
    QByteArray identity = record.toByteArray();
    const qsizetype at = longForm ? 5 : 11;
    const qsizetype width = longForm ? 3 : 4;
    for (qsizetype i = at; i < std::min(identity.size(), at + width); ++i)
        identity[i] = '\0';
    return identity;
}

std::optional<QString> readHeader(QIODevice &file, HeaderBytes &bytes)
{
    bytes.fill(0);
    qint64 got = 0;
    while (got < qint64(bytes.size())) {
        const qint64 n = file.read(bytes.data() + got, qint64(bytes.size()) - got);
        if (n < 0)
            return file.errorString();
        if (n == 0)
            break; // a short file: the rest stays 0
        got += n;
    }
    return std::nullopt;
}

#if defined(__unix__) || defined(__APPLE__)
int readHeader(int fd, HeaderBytes &bytes)
{
    bytes.fill(0);
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            break; // a short file: the rest stays 0
        got += size_t(n);
    }
    return 0;
}
#endif

std::optional<RecordingOpenFailure> openRecording(QFile &file, const QString &path,
                                                  HeaderBytes &header)
{
    if (auto reason = openNativeFile(file, path))
        return RecordingOpenFailure{false, *reason};
    if (auto reason = readHeader(file, header)) {
        file.close();
        return RecordingOpenFailure{true, *reason};
    }
    return std::nullopt;
}

std::optional<QByteArray> readHeaderBytes(const QString &path, QString *error)
{
    QFile file;
    HeaderBytes bytes;
    if (const auto failure = openRecording(file, path, bytes)) {
        if (error)
            *error = failure->reason;
        return std::nullopt;
    }
    return QByteArray(bytes.data(), bytes.size());
}

std::optional<RecordingHeader> readHeaderFile(const QString &path, QString *error)
{
    const auto bytes = readHeaderBytes(path, error);
    if (!bytes)
        return std::nullopt;
    return decodeHeader(*bytes);
}

QString dateTimeText(const RecordingHeader &h)
{
    // Built in place: the list calls this once per row, for tens of thousands of rows.
    auto digit = [](int v) { return QChar(u'0' + v); };
    const QChar text[] = {QLatin1Char(' '),     digit(h.month / 10), digit(h.month % 10),
                          QChar(u'月'),         digit(h.day / 10),   digit(h.day % 10),
                          QChar(u'日'),         QLatin1Char(' '),    digit(h.hour / 10),
                          digit(h.hour % 10),   QLatin1Char(':'),    digit(h.minute / 10),
                          digit(h.minute % 10), QLatin1Char(' ')};
    return QString(text, std::size(text));
}

QString attributeText(int attribute)
{
    switch (attribute) {
    case AttributeIncoming:
        return QString::fromUtf8("来电");
    case AttributeOutgoing:
        return QString::fromUtf8("去电");
    default:
        return QString::fromUtf8("录音");
    }
}

QString sizeText(quint32 payloadLength)
{
    const quint32 k = payloadLength > 0 ? payloadLength / 1024 + 1 : 0;
    return QString::number(k) + QLatin1Char('K');
}

int durationSeconds(quint32 payloadLength)
{
    return payloadLength > 0 ? int(payloadLength / kPayloadBytesPerSecond + 1) : 0;
}

QString durationText(int seconds)
{
    const int h = seconds / 3600;
    const int m = (seconds - 3600 * h) / 60;
    const int s = seconds - 3600 * h - 60 * m;
    QString text;
    if (h > 0) {
        text += QString::number(h);
        text += QStringView(u" 时");
    }
    if (h > 0 || m > 0) {
        text += QString::number(m);
        text += QStringView(u" 分");
    }
    text += QString::number(s);
    text += QStringView(u" 秒");
    return text;
}

int chunkCount(quint32 payloadLength)
{
    return int(payloadLength / kChunkBytes + 1);
}

QString recordingFileName(const RecordingHeader &h, int position)
{
    const QString number = h.number.left(h.numberDigits());
    return twoDigits(h.month) + twoDigits(h.day) + twoDigits(h.hour) + twoDigits(h.minute) +
           QLatin1Char('_') +
           QString::asprintf("%d%d%d%d", position / 1000, position / 100 % 10, position / 10 % 10,
                             position % 10) +
           QLatin1Char('_') + number.rightJustified(h.numberDigits(), QLatin1Char('x')) +
           QStringLiteral(".spx");
}

} // namespace tovrel
