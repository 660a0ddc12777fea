#include "recordings/CallTime.h"

namespace tovrel {

bool callTimeExists(const RecordingHeader &header)
{
    if (header.hour >= 24 || header.minute >= 60 || header.month < 1 || header.month > 12)
        return false;
    // A day the month never has (31 April, 30 February) exists in no year; 29 February exists at
    // least once in every eight years (2000 is a leap year).
    return QDate(header.longForm ? header.year : 2000, header.month, header.day).isValid();
}

std::optional<QDateTime> callDateTime(const RecordingHeader &header, const QDateTime &now)
{
    if (!callTimeExists(header))
        return std::nullopt;
    const QTime time(header.hour, header.minute);
    if (header.longForm)
        return QDateTime(QDate(header.year, header.month, header.day), time);
    const QDateTime local = now.toLocalTime();
    for (int year = local.date().year(); year > local.date().year() - 9; --year) {
        const QDate date(year, header.month, header.day);
        if (!date.isValid())
            continue;
        const QDateTime candidate(date, time);
        if (candidate <= local)
            return candidate;
    }
    return std::nullopt;
}

} // namespace tovrel
