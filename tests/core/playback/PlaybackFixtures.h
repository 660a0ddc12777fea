#pragma once

#include "playback/BlockDecoder.h"

#include <QByteArray>
#include <QRandomGenerator>

#include <algorithm>
#include <cstring>
#include <memory>

namespace tovrel::test {

// A stand-in decoder with state: every payload byte becomes 16 PCM bytes that depend on the byte
// and on how many bytes this decoder has seen before, so that pieces decoded one after the other
// equal the whole decoded at once, and any byte dropped, doubled or reordered shows.
class SequenceDecoder final : public BlockDecoder
{
public:
    int decode(const char *payload, int length, char *pcm, int capacity) override
    {
        int written = 0;
        for (int i = 0; i < length && written + 16 <= capacity; ++i, ++m_position) {
            const auto byte = static_cast<unsigned char>(payload[i]);
            for (int k = 0; k < 8; ++k) {
                const auto sample = static_cast<qint16>((byte << 5) ^ (m_position * 8 + k));
                std::memcpy(pcm + written, &sample, 2);
                written += 2;
            }
        }
        return written;
    }

    static BlockDecoderFactory factory()
    {
        return [] { return std::make_unique<SequenceDecoder>(); };
    }

    // The continuous decode of `payload` by a fresh decoder.
    static QByteArray decodeAll(const QByteArray &payload)
    {
        QByteArray pcm(payload.size() * 16, '\0');
        SequenceDecoder decoder;
        pcm.resize(
            decoder.decode(payload.constData(), int(payload.size()), pcm.data(), int(pcm.size())));
        return pcm;
    }

private:
    qint64 m_position = 0;
};

// Payload bytes that are not all alike.
inline QByteArray somePayload(int length, quint32 seed = 7)
{
    QRandomGenerator random(seed);
    QByteArray bytes(length, '\0');
    for (char &c : bytes)
        c = static_cast<char>(random.bounded(256));
    return bytes;
}

// A short-form (19-byte) header for a recording with `payloadLength` bytes of payload.
inline QByteArray shortHeader(quint32 payloadLength)
{
    QByteArray header(19, '\0');
    header[2] = char(0x43); // outgoing call, March
    header[3] = char(15 << 3);
    header[4] = char(30);
    for (int i = 0; i < 4; ++i)
        header[15 + i] = char((payloadLength >> (24 - 8 * i)) & 0xFF);
    return header;
}

// A long-form (32-byte) header: bytes 28 to 31 are 0xFF.
inline QByteArray longHeader(quint32 payloadLength)
{
    QByteArray header(32, '\0');
    header[2] = char(0x83);
    header[3] = char(15 << 3);
    header[8] = char((payloadLength / 256) >> 8);
    header[9] = char((payloadLength / 256) & 0xFF);
    std::fill(header.begin() + 28, header.end(), char(0xFF));
    return header;
}

} // namespace tovrel::test
