#include "RecordBytes.h"

#include <algorithm>

namespace tovrel::emulator {
namespace {

constexpr int kShortNumberNibbles = 12;
constexpr int kLongNumberNibbles = 20;

int nibbleOf(QChar c)
{
    if (c == QLatin1Char('X'))
        return 10;
    if (c == QLatin1Char('#'))
        return 11;
    return c.digitValue() >= 0 ? c.digitValue() : 0;
}

QChar characterOf(int nibble)
{
    if (nibble == 10)
        return QLatin1Char('X');
    if (nibble == 11)
        return QLatin1Char('#');
    return QLatin1Char(char('0' + nibble));
}

void putNumber(QByteArray &out, int at, int nibbles, const QString &number)
{
    for (int i = 0; i < nibbles; ++i) {
        const int value = i < number.size() ? nibbleOf(number[i]) : 15;
        char &byte = out[at + i / 2];
        byte =
            char(i % 2 == 0 ? (value << 4) | (quint8(byte) & 0x0F) : (quint8(byte) & 0xF0) | value);
    }
}

QString takeNumber(const QByteArray &in, int at, int nibbles)
{
    QString number;
    for (int i = 0; i < nibbles; ++i) {
        const quint8 byte = quint8(in[at + i / 2]);
        const int value = i % 2 == 0 ? byte >> 4 : byte & 0x0F;
        if (value == 15)
            break;
        number += characterOf(value);
    }
    return number;
}

void putBigEndian(QByteArray &out, int at, int bytes, quint32 value)
{
    for (int i = bytes - 1; i >= 0; --i) {
        out[at + i] = char(value & 0xFF);
        value >>= 8;
    }
}

quint32 takeBigEndian(const QByteArray &in, int at, int bytes)
{
    quint32 value = 0;
    for (int i = 0; i < bytes; ++i)
        value = (value << 8) | quint8(in[at + i]);
    return value;
}

QString twoDigits(int value)
{
    return QString::number(value / 10 % 10) + QString::number(value % 10);
}

} // namespace

QByteArray encodeRecord(const RecordFields &f)
{
    QByteArray out(f.longForm ? kLongRecordBytes : kShortRecordBytes, '\0');
    out[2] = char(((f.attribute & 3) << 6) | (f.month & 0x0F));
    out[3] = char(((f.day & 0x1F) << 3) | ((f.hour >> 2) & 7));
    out[4] = char(((f.hour & 3) << 6) | (f.minute & 0x3F));
    if (f.longForm) {
        putBigEndian(out, 5, 3, f.startAddress / 256);
        putBigEndian(out, 8, 2, f.payloadLength / 256);
        putNumber(out, 10, kLongNumberNibbles, f.number);
        out[24] = char(f.year - 2000);
        for (int i = 28; i < 32; ++i)
            out[i] = char(0xFF);
    } else {
        putNumber(out, 5, kShortNumberNibbles, f.number);
        putBigEndian(out, 11, 4, f.startAddress);
        putBigEndian(out, 15, 4, f.payloadLength);
    }
    return out;
}

RecordFields decodeRecord(QByteArrayView bytes)
{
    QByteArray in(bytes.first(std::min<qsizetype>(bytes.size(), kLongRecordBytes)).toByteArray());
    in.resize(kLongRecordBytes, '\0');
    RecordFields f;
    f.longForm = quint8(in[28]) == 0xFF && quint8(in[29]) == 0xFF && quint8(in[30]) == 0xFF &&
                 quint8(in[31]) == 0xFF;
    f.attribute = quint8(in[2]) >> 6;
    f.month = quint8(in[2]) & 0x0F;
    f.day = quint8(in[3]) >> 3;
    f.hour = ((quint8(in[3]) & 7) << 2) | (quint8(in[4]) >> 6);
    f.minute = quint8(in[4]) & 0x3F;
    if (f.longForm) {
        f.startAddress = takeBigEndian(in, 5, 3) * 256;
        f.payloadLength = takeBigEndian(in, 8, 2) * 256;
        f.number = takeNumber(in, 10, kLongNumberNibbles);
        f.year = 2000 + quint8(in[24]);
    } else {
        f.number = takeNumber(in, 5, kShortNumberNibbles);
        f.startAddress = takeBigEndian(in, 11, 4);
        f.payloadLength = takeBigEndian(in, 15, 4);
        f.year = 0;
    }
    return f;
}

quint64 announcedPayload(const RecordFields &f)
{
    return !f.longForm && f.payloadLength == 0xFFFFFFFF ? 0 : f.payloadLength;
}

QString recordFileName(const RecordFields &f, int position)
{
    const int width = f.longForm ? kLongNumberNibbles : kShortNumberNibbles;
    QString position4 = QString::number(position);
    if (position4.size() < 4)
        position4 = QString(4 - position4.size(), QLatin1Char('0')) + position4;
    const QString number = f.number.left(width);
    return twoDigits(f.month) + twoDigits(f.day) + twoDigits(f.hour) + twoDigits(f.minute) +
           QLatin1Char('_') + position4 + QLatin1Char('_') +
           QString(width - number.size(), QLatin1Char('x')) + number + QStringLiteral(".spx");
}

} // namespace tovrel::emulator
