#include "TelephoneWire.h"

namespace tovrel::emulator::wire {
namespace {

quint32 littleEndian(QByteArrayView bytes, int at, int width)
{
    quint32 value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | quint8(bytes[at + i]);
    return value;
}

} // namespace

QByteArray frame(QByteArrayView payload)
{
    Q_ASSERT(payload.size() <= 0xFFFF);
    QByteArray out;
    out.reserve(payload.size() + 2);
    out.append(char(payload.size() & 0xFF));
    out.append(char((payload.size() >> 8) & 0xFF));
    out.append(payload);
    return out;
}

std::optional<QByteArray> takeFrame(QByteArray &buffer)
{
    if (buffer.size() < 2)
        return std::nullopt;
    const qsizetype length = qsizetype(littleEndian(buffer, 0, 2));
    if (buffer.size() < 2 + length)
        return std::nullopt;
    QByteArray payload = buffer.mid(2, length);
    buffer.remove(0, 2 + length);
    return payload;
}

std::optional<Command> parseCommand(QByteArrayView payload)
{
    if (payload.size() < kCommandBytes)
        return std::nullopt;
    Command command;
    command.code = quint8(payload[0]);
    command.index = int(littleEndian(payload, 1, 2));
    command.address = littleEndian(payload, 1, 4);
    command.count = int(littleEndian(payload, 5, 2));
    return command;
}

} // namespace tovrel::emulator::wire
