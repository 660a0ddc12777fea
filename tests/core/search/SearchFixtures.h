#pragma once

#include <QByteArray>

// Recording headers for the search tests, laid out byte by byte here (not with the product's
// encoder): byte 2 attribute (bits 7-6) and month, byte 3 day (bits 7-3) and hour (bits 4-2),
// byte 4 hour (bits 1-0) and minute; short form: number nibbles from byte 5 (6 bytes), length
// big-endian at 15..18; long form: length / 256 big-endian at 8..9, nibbles from byte 10
// (10 bytes), year byte 24, bytes 28..31 0xFF.
namespace tovrel::test {

inline void putStamp(QByteArray &b, int attribute, int month, int day, int hour, int minute)
{
    b[2] = char((attribute << 6) | month);
    b[3] = char((day << 3) | (hour >> 2));
    b[4] = char(((hour & 3) << 6) | minute);
}

// `nibbles` as hexadecimal digits ('a' = 10 ...), padded with f.
inline void putNibbles(QByteArray &b, int at, int count, const char *nibbles)
{
    QByteArray hex(nibbles);
    hex = hex.leftJustified(count, 'f');
    const QByteArray raw = QByteArray::fromHex(hex);
    for (int i = 0; i < raw.size(); ++i)
        b[at + i] = raw[i];
}

inline QByteArray shortRecord(int attribute, int month, int day, int hour, int minute,
                              const char *nibbles, quint32 length)
{
    QByteArray b(19, '\0');
    putStamp(b, attribute, month, day, hour, minute);
    putNibbles(b, 5, 12, nibbles);
    for (int i = 0; i < 4; ++i)
        b[15 + i] = char(length >> (24 - 8 * i));
    return b;
}

inline QByteArray longRecord(int attribute, int yearByte, int month, int day, int hour, int minute,
                             const char *nibbles, quint32 pages)
{
    QByteArray b(32, '\0');
    putStamp(b, attribute, month, day, hour, minute);
    b[8] = char(pages >> 8);
    b[9] = char(pages);
    putNibbles(b, 10, 20, nibbles);
    b[24] = char(yearByte);
    for (int i = 28; i < 32; ++i)
        b[i] = char(0xFF);
    return b;
}

} // namespace tovrel::test
