#include "PlaybackTimes.h"

namespace tovrel::playbacktimes {

int totalSeconds(quint64 fileLength)
{
    return int(fileLength / 1000 + 1);
}

QString timeText(int seconds)
{
    seconds = qMax(seconds, 0);
    const int hours = seconds / 3600;
    const int minutes = (seconds - 3600 * hours) / 60;
    return QString::asprintf("%02d:%02d:%02d", hours, minutes, seconds % 60);
}

int seekSecond(quint64 fileLength, int position, int maximum, int headerLength)
{
    qint64 byte = maximum > 0 ? qint64(double(fileLength) * position / maximum) : 0;
    byte -= headerLength;
    if (byte < 1000)
        byte = 1000;
    return int(byte / 1000 + (byte % 1000 > 500 ? 1 : 0));
}

} // namespace tovrel::playbacktimes
