// The search criteria from the command line: argument lists built from the input go through the
// same reading `tovrel search` does, then prepareSearch, then the four tests over headers taken
// from the rest of the input. Every refusal must be one of the command's own texts; what is
// accepted must give ordered minute keys; and whether a header passes is worked out again here
// from its raw bytes, without the search's header reading, wherever its fields are a real date.

#include "SearchArguments.h"
#include "search/SearchCriteria.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <tuple>

// Last: its check() macro must not meet the names the headers above declare.
#include "FuzzCheck.h"

using namespace tovrel;
using namespace tovrel::search;

namespace {

struct Input
{
    const uint8_t *data;
    size_t size;
    size_t at = 0;
    uint8_t byte() { return at < size ? data[at++] : 0; }
    bool done() const { return at >= size; }
};

QString twoDigit(int v)
{
    return QString::number(v).rightJustified(2, QLatin1Char('0'));
}

// One argument: an option name, the existing folder, or a value shaped like what the options
// read (dates, kind lists, numbers), sometimes slightly off, or raw text.
QString nextArgument(Input &in, const QString &folder)
{
    const uint8_t selector = in.byte();
    switch (selector % 16) {
    case 0:
        return folder;
    case 1:
        return QStringLiteral("--from");
    case 2:
        return QStringLiteral("--to");
    case 3:
        return QStringLiteral("--number");
    case 4:
        return QStringLiteral("--kinds");
    case 5:
        return QStringLiteral("--min-seconds");
    case 6:
        return QStringLiteral("--max-seconds");
    case 7:
        return QStringLiteral("--header");
    case 8:
        // Help stops the reading; kept rare so the rest is reached.
        return selector == 8 ? QStringLiteral("--help") : QStringLiteral("--header");
    case 9: {
        const int year = (selector & 0x10) ? in.byte() * 40 : 2000 + in.byte() % 40;
        QString text = QString::number(year).rightJustified(4, QLatin1Char('0')) +
                       QLatin1Char('-') + twoDigit(in.byte() % 14) + QLatin1Char('-') +
                       twoDigit(in.byte() % 33) + QLatin1Char(' ') + twoDigit(in.byte() % 26) +
                       QLatin1Char(':') + twoDigit(in.byte() % 62);
        if (selector & 0x20)
            text += QLatin1Char(':') + twoDigit(in.byte() % 62);
        return text;
    }
    case 10: {
        static const char *const kKinds[] = {"in", "out", "local", " in ", "", "IN", "x"};
        QStringList kinds;
        const int count = in.byte() % 4;
        for (int i = 0; i < count; ++i)
            kinds.append(QString::fromLatin1(kKinds[in.byte() % 7]));
        return kinds.join(QLatin1Char(','));
    }
    case 11: {
        static const char *const kNumbers[] = {"0",          "59",         " 60", "+3600", "-1",
                                               "2147483647", "2147483648", "1e3", "０"};
        return QString::fromUtf8(kNumbers[in.byte() % 9]);
    }
    case 12: {
        QString digits;
        const int count = in.byte() % 6;
        for (int i = 0; i < count; ++i)
            digits += QLatin1Char("0123456789*#?X"[in.byte() % 14]);
        return digits;
    }
    default: {
        QByteArray raw;
        const int length = in.byte() % 24;
        for (int i = 0; i < length; ++i)
            raw.append(char(in.byte()));
        return QString::fromUtf8(raw);
    }
    }
}

bool isOption(const QString &a)
{
    return a.startsWith(QLatin1Char('-'));
}

// The refusals of the command's own reading: each names an argument that was really given.
bool isKnownArgumentRefusal(const QString &text, const QStringList &args)
{
    static const QStringList kValued = {
        QStringLiteral("--from"),  QStringLiteral("--to"),          QStringLiteral("--number"),
        QStringLiteral("--kinds"), QStringLiteral("--min-seconds"), QStringLiteral("--max-seconds"),
        QStringLiteral("--name"),
    };
    for (const QString &option : kValued) {
        if (text == option + QStringLiteral(" needs a value"))
            return !args.isEmpty() && args.last() == option;
    }
    if (text == QStringLiteral("give a FOLDER (see --help)"))
        return true;
    if (text == QStringLiteral("--from and --to come together"))
        return args.contains(QStringLiteral("--from")) || args.contains(QStringLiteral("--to"));
    // The number field takes digits only: a value after --number with any other character.
    for (qsizetype i = 0; i + 1 < args.size(); ++i) {
        const QString &v = args.at(i + 1);
        const bool digitsOnly = std::all_of(v.begin(), v.end(), [](QChar c) {
            return c >= QLatin1Char('0') && c <= QLatin1Char('9');
        });
        if (args.at(i) == QStringLiteral("--number") && !digitsOnly &&
            text == QString::fromUtf8("只能输入数字！ (--number ") + v + QLatin1Char(')'))
            return true;
    }
    for (const QString &a : args) {
        if (text == QStringLiteral("unexpected argument: ") + a)
            return true;
        if (text == QStringLiteral("not a date and time (YYYY-MM-DD hh:mm[:ss]): ") + a)
            return true;
        if (text == invalidIntegerText(a))
            return true;
        // The kind named is one item of a list given, blanks trimmed.
        if (text.startsWith(QStringLiteral("unknown kind: ")) &&
            text.endsWith(QStringLiteral(" (in, out, local)")) &&
            a.contains(text.mid(14, text.size() - 14 - 17)))
            return true;
    }
    return false;
}

// The header's fields read straight from its bytes.
struct RawFields
{
    bool longForm;
    int attribute, month, day, hour, minute, year;
    quint32 length;
    QString testText; // the number with '*' for 10, '#' for 11, '?' above
};

RawFields rawFields(const uint8_t (&b)[32])
{
    RawFields f{};
    f.longForm = b[28] == 0xFF && b[29] == 0xFF && b[30] == 0xFF && b[31] == 0xFF;
    f.attribute = b[2] / 64;
    f.month = b[2] % 16;
    f.day = b[3] / 8;
    f.hour = (b[3] % 8) * 4 + b[4] / 64;
    f.minute = b[4] % 64;
    const int first = f.longForm ? 10 : 5;
    const int last = f.longForm ? 20 : 11;
    for (int i = first; i < last; ++i) {
        for (int n : {b[i] / 16, b[i] % 16}) {
            if (n < 10)
                f.testText += QChar(u'0' + n);
            else if (n == 10)
                f.testText += QChar(u'*');
            else if (n == 11)
                f.testText += QChar(u'#');
            else if (n < 15)
                f.testText += QChar(u'?');
        }
    }
    if (f.longForm) {
        f.length = (quint32(b[8]) * 256 + b[9]) * 256;
        f.year = b[24] > 200 ? 2000 : 2000 + b[24];
    } else {
        f.length = quint32(b[15]) << 24 | quint32(b[16]) << 16 | quint32(b[17]) << 8 | b[18];
        f.year = 2000;
    }
    return f;
}

// Seconds shown by a duration text, or -1 when it is none of the three forms.
qint64 shownSeconds(const QString &text)
{
    static const QRegularExpression form(
        QString::fromUtf8("^(?:(\\d+)小时)?(?:(\\d+)分钟)?(\\d+)秒$"));
    const auto m = form.match(text);
    if (!m.hasMatch())
        return -1;
    if (m.capturedLength(1) > 0 && m.capturedLength(2) == 0)
        return -1;
    if (m.captured(1).toLongLong() == 0 && m.capturedLength(1) > 0)
        return -1;
    if (m.capturedLength(2) > 0 && m.capturedLength(1) == 0 && m.captured(2).toInt() == 0)
        return -1;
    return m.captured(1).toLongLong() * 3600 + m.captured(2).toLongLong() * 60 +
           m.captured(3).toLongLong();
}

void checkHeader(const uint8_t (&bytes)[32], const SearchCriteria &c, const SearchForm &form)
{
    tovrel::HeaderBytes raw;
    std::memcpy(raw.data(), bytes, 32);
    const SearchHeader h = readSearchHeader(raw);
    const RawFields f = rawFields(bytes);
    check(h.longForm == f.longForm);
    check(h.attribute == f.attribute && h.month == f.month && h.day == f.day);
    check(h.hour == f.hour && h.minute == f.minute && h.year == f.year);
    check(h.length == f.length);
    check(numberTestText(h) == f.testText);

    // Whether the header passes, from its raw fields; the time test only where the fields are a
    // real date and time, as the picker ends always are
    // (any day of 0 to 31 keeps the order).
    bool timeKnown = true;
    bool timePasses = true;
    if (c.timeFilterOn) {
        const bool realTime = f.month <= 12 && f.hour <= 23 && f.minute <= 59;
        timeKnown = realTime;
        const QDate sd = form.startDate.date();
        const QDate ed = form.endDate.date();
        const QTime st = form.startTime.time();
        const QTime et = form.endTime.time();
        const auto at = std::make_tuple(f.year, f.month, f.day, f.hour, f.minute);
        auto start = std::make_tuple(sd.year(), sd.month(), sd.day(), st.hour(), st.minute());
        auto end = std::make_tuple(ed.year(), ed.month(), ed.day(), et.hour(), et.minute());
        if (!f.longForm) {
            // A file without a year is compared in year 2000, with both ends moved there.
            std::get<0>(start) = 2000;
            std::get<0>(end) = 2000;
        }
        timePasses = start <= at && at <= end;
    }
    const int bit = f.attribute == 0 ? 1 : f.attribute == 1 ? 2 : f.attribute == 2 ? 4 : 0;
    const quint8 mask = directionMaskOf(form.incoming, form.outgoing, form.local);
    const bool kindPasses = mask == 0 || (mask & bit) != 0;
    const bool numberPasses = form.number.isEmpty() || f.testText.contains(form.number);
    const quint32 seconds = f.length / 1000;
    const bool durationPasses =
        seconds >= form.minSeconds && (form.maxSeconds == 0 || seconds <= form.maxSeconds);
    // No contact book here: a name asked for is held by no number.
    const bool namePasses = form.name.isEmpty();
    const bool passes = matches(h, c);
    if (timeKnown)
        check(passes == (timePasses && kindPasses && numberPasses && namePasses && durationPasses));
    else
        check(!passes || (kindPasses && numberPasses && namePasses && durationPasses));
    check(matchDirection(h, c) == (bit != 0 && (mask & bit) != 0));
    check(matchDuration(h, c) ==
          (seconds >= c.minSeconds && (c.maxSeconds == 0 || seconds <= c.maxSeconds)));
    if (!passes)
        return;

    // The row of a passing header.
    const QStringList cells = resultCells(QStringLiteral("r.spx"), c.folder, h);
    check(cells.size() == 6);
    check(cells.at(0) == QStringLiteral("r.spx") && cells.at(5) == c.folder);
    QString shownNumber = f.testText;
    shownNumber.replace(QChar(u'*'), QChar(u'X'));
    check(cells.at(1) == shownNumber);
    static const QRegularExpression longTime(
        QString::fromUtf8("^ \\d{4}年\\d\\d月\\d\\d日 \\d\\d:\\d\\d $"));
    static const QRegularExpression shortTime(
        QString::fromUtf8("^ \\d\\d月\\d\\d日 \\d\\d:\\d\\d $"));
    check((f.longForm ? longTime : shortTime).match(cells.at(2)).hasMatch());
    check(shownSeconds(cells.at(3)) == (f.length == 0xFFFFFFFFu ? 0 : qint64(seconds)));
    static const QStringList kinds = {QString::fromUtf8("来电"), QString::fromUtf8("去电"),
                                      QString::fromUtf8("录音")};
    check(kinds.indexOf(cells.at(4)) == (f.attribute < 3 ? f.attribute : 2));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Qt's warnings about folder names holding a NUL would only slow the run down.
    static const auto quiet =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    (void)quiet;
    static QTemporaryDir dir;
    static const QString folder = QDir(dir.path()).absolutePath();
    Input in{data, size};
    QStringList args;
    const int count = in.byte() % 12;
    for (int i = 0; i < count; ++i)
        args.append(nextArgument(in, folder));

    const auto parsed = cli::parseSearchArguments(args);
    if (const QString *refusal = std::get_if<QString>(&parsed)) {
        if (!isKnownArgumentRefusal(*refusal, args)) {
            std::fprintf(stderr, "refusal: %s\n", qUtf8Printable(*refusal));
            check(false);
        }
        return 0;
    }
    const cli::SearchArguments &arguments = std::get<cli::SearchArguments>(parsed);
    if (arguments.help)
        return 0;
    const SearchForm &form = arguments.form;
    check(!isOption(form.folder));
    check(args.contains(form.folder));
    check(form.minSeconds <= quint32(INT_MAX) && form.maxSeconds <= quint32(INT_MAX));
    if (form.timeTicked) {
        check(form.startDate.time() == QTime(0, 0) && form.endDate.time() == QTime(0, 0));
        check(form.startTime.date() == form.startDate.date());
        check(form.endTime.date() == form.endDate.date());
    }

    const auto prepared = prepareSearch(form);
    if (const QString *refusal = std::get_if<QString>(&prepared)) {
        if (*refusal == noFolderText())
            check(form.folder.isEmpty());
        else if (*refusal == folderMissingText())
            check(form.folder != folder);
        else if (*refusal == badDateRangeText())
            check(form.timeTicked && form.startDate > form.endDate);
        else if (*refusal == badTimeRangeText())
            check(form.timeTicked && form.startDate == form.endDate &&
                  form.startTime >= form.endTime);
        else
            check(false);
        return 0;
    }
    const SearchCriteria &c = std::get<SearchCriteria>(prepared);
    check(c.folder.endsWith(QLatin1Char('/')));
    check(c.timeFilterOn == form.timeTicked);
    if (c.timeFilterOn) {
        // The range's ends keep their order as minute keys; equal only within one minute.
        check(c.startKey <= c.endKey);
        if (c.startKey == c.endKey)
            check(form.startTime.secsTo(form.endTime) < 60);
    }

    // The rest of the input, 32 bytes a header (the last zero-filled, as a short file reads).
    while (!in.done()) {
        uint8_t header[32] = {};
        for (uint8_t &b : header)
            b = in.byte();
        checkHeader(header, c, form);
    }
    return 0;
}
