#include "report/RecordingCells.h"

#include "recordings/RecordingHeader.h"

#include <QCoreApplication>
#include <QDate>
#include <QLocale>
#include <QTime>

namespace tovrel {
namespace {

QString worded(const char *text, Wording wording)
{
    return wording == Wording::Shown ? QCoreApplication::translate("RecordingCell", text)
                                     : QString::fromUtf8(text);
}

// The locale's short date without its year ("M/d/yy" gives "M/d", "dd.MM.yy" gives "dd.MM"):
// the year and the separator that joins it to the rest go.
QString yearlessDateFormat(const QLocale &locale)
{
    QString format = locale.dateFormat(QLocale::ShortFormat);
    const qsizetype first = format.indexOf(u'y');
    if (first < 0)
        return format;
    qsizetype last = first;
    while (last + 1 < format.size() && format.at(last + 1) == u'y')
        ++last;
    const auto isField = [](QChar c) { return c.isLetter() || c == u'\''; };
    qsizetype from = first;
    qsizetype to = last + 1;
    if (first == 0) {
        while (to < format.size() && !isField(format.at(to)))
            ++to;
    } else {
        while (from > 0 && !isField(format.at(from - 1)))
            --from;
    }
    return format.remove(from, to - from);
}

QString dataTime(const RecordingCellValues &v)
{
    RecordingHeader fields;
    fields.month = v.month;
    fields.day = v.day;
    fields.hour = v.hour;
    fields.minute = v.minute;
    const QString text = dateTimeText(fields);
    return v.year == 0 ? text
                       : QLatin1Char(' ') + QString::number(v.year) + QChar(u'年') + text.mid(1);
}

QString shownTime(const RecordingCellValues &v)
{
    // The program's own text for Chinese (and for a locale of no language).
    const QLocale locale;
    if (locale.language() == QLocale::Chinese || locale.language() == QLocale::C)
        return dataTime(v);
    // A leap year, so that 29 February of a record without a year stays a date.
    const QDate date(v.year != 0 ? v.year : 2000, v.month, v.day);
    const QTime time(v.hour, v.minute);
    if (!date.isValid() || !time.isValid())
        return dataTime(v);
    const QString day = v.year != 0 ? locale.toString(date, QLocale::ShortFormat)
                                    : locale.toString(date, yearlessDateFormat(locale));
    return day + QLatin1Char(' ') + locale.toString(time, QLocale::ShortFormat);
}

QString hoursMinutesSeconds(int seconds, bool search, Wording wording)
{
    const int h = seconds / 3600;
    const int m = seconds % 3600 / 60;
    const int s = seconds % 60;
    if (h > 0)
        return worded(search ? QT_TRANSLATE_NOOP("RecordingCell", "%1小时%2分钟%3秒")
                             : QT_TRANSLATE_NOOP("RecordingCell", "%1 时%2 分%3 秒"),
                      wording)
            .arg(h)
            .arg(m)
            .arg(s);
    if (m > 0)
        return worded(search ? QT_TRANSLATE_NOOP("RecordingCell", "%1分钟%2秒")
                             : QT_TRANSLATE_NOOP("RecordingCell", "%1 分%2 秒"),
                      wording)
            .arg(m)
            .arg(s);
    return worded(search ? QT_TRANSLATE_NOOP("RecordingCell", "%1秒")
                         : QT_TRANSLATE_NOOP("RecordingCell", "%1 秒"),
                  wording)
        .arg(s);
}

} // namespace

RecordingCellValues listCellValues(const RecordingHeader &h)
{
    return {h.attribute, h.month, h.day, h.hour, h.minute, 0, h.payloadLength};
}

QString recordingCellText(RecordingCell cell, const RecordingCellValues &v, Wording wording)
{
    switch (cell) {
    case RecordingCell::None:
        return {};
    case RecordingCell::Time:
        return wording == Wording::Shown ? shownTime(v) : dataTime(v);
    case RecordingCell::Kind:
        if (v.attribute == AttributeIncoming)
            return worded(QT_TRANSLATE_NOOP("RecordingCell", "来电"), wording);
        if (v.attribute == AttributeOutgoing)
            return worded(QT_TRANSLATE_NOOP("RecordingCell", "去电"), wording);
        return worded(QT_TRANSLATE_NOOP("RecordingCell", "录音"), wording);
    case RecordingCell::Size:
        return sizeText(v.length);
    case RecordingCell::Duration:
        // The data text is built in place: the lists ask for it once per row.
        return wording == Wording::Data
                   ? durationText(durationSeconds(v.length))
                   : hoursMinutesSeconds(durationSeconds(v.length), false, wording);
    case RecordingCell::SearchDuration:
        return hoursMinutesSeconds(int(v.length / kPayloadBytesPerSecond), true, wording);
    }
    return {};
}

qint64 recordingCellOrder(RecordingCell cell, const RecordingCellValues &v)
{
    switch (cell) {
    case RecordingCell::Time:
        return ((((qint64(v.year) * 13 + v.month) * 32 + v.day) * 25 + v.hour) * 60) + v.minute;
    case RecordingCell::Kind:
        return qMin(v.attribute, int(AttributeLocal));
    case RecordingCell::Size:
    case RecordingCell::Duration:
    case RecordingCell::SearchDuration:
        return v.length;
    case RecordingCell::None:
        break;
    }
    return 0;
}

} // namespace tovrel
