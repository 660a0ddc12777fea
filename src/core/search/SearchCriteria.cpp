#include "search/SearchCriteria.h"

#include "io/NativePath.h"
#include "recordings/FolderScan.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>

namespace tovrel::search {
namespace {

constexpr quint32 kNoLength = 0xFFFFFFFFu;
// A short-form file holds no year: both ends of the range are brought into year 2000.
constexpr qint64 kYearSpan = 624000;
constexpr qint64 kYear2000 = 2000 * kYearSpan;

char nibbleChar(quint8 nibble, char ten)
{
    if (nibble <= 9)
        return char('0' + nibble);
    if (nibble == 10)
        return ten;
    if (nibble == 11)
        return '#';
    return '?';
}

QString nibbleText(const SearchHeader &h, char ten)
{
    QString text(h.nibbleCount, Qt::Uninitialized);
    QChar *out = text.data();
    for (int i = 0; i < h.nibbleCount; ++i)
        *out++ = QLatin1Char(nibbleChar(h.nibbles[size_t(i)], ten));
    return text;
}

} // namespace

qint64 minuteKey(int year, int month, int day, int hour, int minute)
{
    return qint64(year) * kYearSpan + qint64(month) * 48000 + qint64(day) * 1500 +
           qint64(hour) * 60 + minute;
}

QString noFolderText()
{
    return QCoreApplication::translate("SearchCriteria", "没设置目录");
}

QString folderMissingText()
{
    return folderMissingMessage();
}

QString badDateRangeText()
{
    return QCoreApplication::translate("SearchCriteria", "起止日期设置错误");
}

QString badTimeRangeText()
{
    return QCoreApplication::translate("SearchCriteria", "起止时间设置错误");
}

QString fileOpenErrorText()
{
    return QCoreApplication::translate("SearchCriteria", "文件打开错误！");
}

QString nothingFoundText()
{
    return QCoreApplication::translate("SearchCriteria", "此目录没有符合要求的文件！");
}

QString digitsOnlyText()
{
    return QCoreApplication::translate("SearchCriteria", "只能输入数字！");
}

bool isNumberText(const QString &number)
{
    return std::all_of(number.begin(), number.end(),
                       [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

quint8 directionMaskOf(bool incoming, bool outgoing, bool local)
{
    return quint8((incoming ? DirectionIncoming : 0) | (outgoing ? DirectionOutgoing : 0) |
                  (local ? DirectionLocal : 0));
}

std::variant<SearchCriteria, QString> prepareSearch(const SearchForm &form)
{
    SearchCriteria c;
    c.directionMask = directionMaskOf(form.incoming, form.outgoing, form.local);
    if (form.folder.isEmpty())
        return noFolderText();
    if (!QFileInfo(form.folder).isDir())
        return folderMissingText();
    c.folder = form.folder;
    // Names are joined to the folder: a folder typed without its trailing separator still finds
    // its files.
    if (!c.folder.endsWith(QLatin1Char('/')))
        c.folder += QLatin1Char('/');
    if (form.timeTicked) {
        // The range ends as the keys take them: the day of a date picker and the time of day of
        // a time picker, whatever day the time picker's own value still holds.
        const QDate sd = form.startDate.date();
        const QTime st = form.startTime.time();
        const QDate ed = form.endDate.date();
        const QTime et = form.endTime.time();
        if (sd > ed)
            return badDateRangeText();
        if (sd == ed && !(st < et))
            return badTimeRangeText();
        c.startKey = minuteKey(sd.year(), sd.month(), sd.day(), st.hour(), st.minute());
        c.endKey = minuteKey(ed.year(), ed.month(), ed.day(), et.hour(), et.minute());
        c.timeFilterOn = true;
    }
    c.number = form.number;
    c.minSeconds = form.minSeconds;
    c.maxSeconds = form.maxSeconds;
    c.name = form.name;
    c.contacts = form.contacts;
    c.note = form.note;
    return c;
}

std::optional<quint32> parseSecondsBound(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok || value < 0)
        return std::nullopt;
    return quint32(value);
}

QString invalidIntegerText(const QString &text)
{
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

SearchHeader readSearchHeader(const HeaderBytes &bytes)
{
    const HeaderFields f = decodeHeaderFields(bytes);
    SearchHeader h;
    h.longForm = f.longForm;
    h.attribute = f.attribute;
    h.month = f.month;
    h.day = f.day;
    h.hour = f.hour;
    h.minute = f.minute;
    // A nibble of 15 is skipped, not taken as the end of the number.
    for (int i = 0; i < f.nibbleCount; ++i) {
        if (f.nibbles[size_t(i)] != 15)
            h.nibbles[size_t(h.nibbleCount++)] = f.nibbles[size_t(i)];
    }
    h.length = f.storedLength;
    h.year = f.year();
    return h;
}

bool matchTimeRange(const SearchHeader &h, const SearchCriteria &c)
{
    const qint64 key = minuteKey(h.year, h.month, h.day, h.hour, h.minute);
    qint64 start = c.startKey;
    qint64 end = c.endKey;
    if (!h.longForm) {
        start = start % kYearSpan + kYear2000;
        end = end % kYearSpan + kYear2000;
    }
    return start <= key && key <= end;
}

bool matchDirection(const SearchHeader &h, const SearchCriteria &c)
{
    switch (h.attribute) {
    case 0:
        return (c.directionMask & DirectionIncoming) != 0;
    case 1:
        return (c.directionMask & DirectionOutgoing) != 0;
    case 2:
        return (c.directionMask & DirectionLocal) != 0;
    default:
        return false;
    }
}

QString numberTestText(const SearchHeader &h)
{
    return nibbleText(h, '*');
}

bool matchPhoneNumber(const SearchHeader &h, const SearchCriteria &c)
{
    return numberTestText(h).contains(c.number, Qt::CaseSensitive);
}

bool matchDuration(const SearchHeader &h, const SearchCriteria &c)
{
    const quint32 seconds = h.length / 1000;
    return seconds >= c.minSeconds && (c.maxSeconds == 0 || seconds <= c.maxSeconds);
}

bool matchContactName(const SearchHeader &h, const SearchCriteria &c)
{
    if (!c.contacts)
        return false;
    const QString name = c.contacts->nameFor(numberText(h));
    return !name.isEmpty() && nameHolds(name, c.name);
}

bool matches(const SearchHeader &h, const SearchCriteria &c)
{
    if (c.timeFilterOn && !matchTimeRange(h, c))
        return false;
    if (c.directionMask != 0 && !matchDirection(h, c))
        return false;
    if (!c.number.isEmpty() && !matchPhoneNumber(h, c))
        return false;
    if (!c.name.isEmpty() && !matchContactName(h, c))
        return false;
    return matchDuration(h, c);
}

QStringList resultCaptions()
{
    return {QString::fromUtf8(QT_TRANSLATE_NOOP("ReportColumn", "文件名")),
            QString::fromUtf8(QT_TRANSLATE_NOOP("ReportColumn", "电话号码")),
            QString::fromUtf8(QT_TRANSLATE_NOOP("ReportColumn", "时间")),
            QString::fromUtf8(QT_TRANSLATE_NOOP("ReportColumn", "时长")),
            QString::fromUtf8(QT_TRANSLATE_NOOP("ReportColumn", "属性")),
            QString::fromUtf8(QT_TRANSLATE_NOOP("ReportColumn", "文件路径"))};
}

QString numberText(const SearchHeader &h)
{
    return nibbleText(h, 'X');
}

RecordingCellValues cellValues(const SearchHeader &h)
{
    return {h.attribute,
            h.month,
            h.day,
            h.hour,
            h.minute,
            h.longForm ? h.year : 0,
            h.length == kNoLength ? 0 : h.length};
}

QStringList resultCells(const QString &fileName, const QString &folder, const SearchHeader &h)
{
    return {shownPath(fileName),
            numberText(h),
            recordingCellText(RecordingCell::Time, cellValues(h), Wording::Data),
            recordingCellText(RecordingCell::SearchDuration, cellValues(h), Wording::Data),
            recordingCellText(RecordingCell::Kind, cellValues(h), Wording::Data),
            shownPath(folder)};
}

QString statusText(const SearchCounts &n)
{
    return QCoreApplication::translate("SearchCriteria",
                                       "总计录音文件:%1个 来电:%2个 去电:%3个 本地:%4个")
        .arg(n.total)
        .arg(n.incoming)
        .arg(n.outgoing)
        .arg(n.local);
}

} // namespace tovrel::search
