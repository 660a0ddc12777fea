#include "Frame.h"

namespace tovrel::frame {

QByteArray encode(QByteArrayView payload)
{
    const qsizetype n = qMin(payload.size(), kMaxPayload);
    QByteArray out;
    out.reserve(n + 2);
    out.append(char(n & 0xFF));
    out.append(char((n >> 8) & 0xFF));
    out.append(payload.first(n));
    return out;
}

std::optional<QByteArray> take(QByteArray &buffer)
{
    if (buffer.size() < 2)
        return std::nullopt;
    const qsizetype n = quint8(buffer[0]) | (qsizetype(quint8(buffer[1])) << 8);
    if (buffer.size() < n + 2)
        return std::nullopt;
    QByteArray payload = buffer.mid(2, n);
    buffer.remove(0, n + 2);
    return payload;
}

} // namespace tovrel::frame
