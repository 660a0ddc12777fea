#include "recordings/CallTime.h"

namespace tovrel {

std::optional<QDateTime> callDateTime(const RecordingHeader &header, const QDateTime &now)
{
    if (header.hour >= 24 || header.minute >= 60 || header.month < 1 || header.month > 12)
        return std::nullopt;
    const QTime time(header.hour, header.minute);
    if (header.longForm) {
        const QDate date(header.year, header.month, header.day);
        if (!date.isValid())
            return std::nullopt;
        return QDateTime(date, time);
    }
    // A day the month never has (31 April, 30 February) exists in no year; 29 February exists at
    // least once in every eight years.
    if (!QDate(2000, header.month, header.day).isValid())
        return std::nullopt;
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
