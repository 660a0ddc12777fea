#include "PlaybackSpeed.h"

#include <algorithm>
#include <cmath>

namespace tovrel {

void PlaybackSpeed::step(int steps)
{
    const int next = std::clamp(m_tenths + steps, kSlowest, kFastest);
    if (next == m_tenths)
        return;
    m_tenths = next;
    emit changed(m_tenths);
}

QString PlaybackSpeed::text(int tenths)
{
    return QStringLiteral("%1.%2×").arg(tenths / 10).arg(tenths % 10);
}

std::optional<int> PlaybackSpeed::parse(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const double scaled = value * 10;
    const long tenths = std::lround(scaled);
    if (std::fabs(scaled - double(tenths)) > 1e-6 || tenths < kSlowest || tenths > kFastest)
        return std::nullopt;
    return int(tenths);
}

} // namespace tovrel
