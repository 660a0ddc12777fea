#include "SearchArguments.h"
#include "CliText.h"

#include <QDateTime>

namespace tovrel::cli {
namespace {

// One end of the range, as a user picks it: the date in the date picker (the day at
// 00:00:00) and the date and time in the time picker.
bool parseRangeEnd(const QString &text, QDateTime *date, QDateTime *time)
{
    QDateTime value = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    if (!value.isValid())
        value = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd hh:mm"));
    if (!value.isValid())
        return false;
    *date = QDateTime(value.date(), QTime(0, 0));
    *time = value;
    return true;
}

} // namespace

std::variant<SearchArguments, QString> parseSearchArguments(const QStringList &args)
{
    using namespace tovrel::search;
    SearchArguments result;
    SearchForm &form = result.form;
    bool folderGiven = false;
    QString from;
    QString to;
    bool fromGiven = false;
    bool toGiven = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        auto value = [&](QString *target) {
            if (i + 1 >= args.size())
                return false;
            *target = args.at(++i);
            return true;
        };
        QString v;
        if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            result.help = true;
            return result;
        } else if (a == QLatin1String("--header")) {
            result.header = true;
        } else if (a == QLatin1String("--contacts")) {
            result.contacts = true;
        } else if (a == QLatin1String("--notes")) {
            result.notes = true;
        } else if (a == QLatin1String("--note")) {
            if (!value(&form.note))
                return cliTr("--note needs a value");
        } else if (a == QLatin1String("--name")) {
            if (!value(&form.name))
                return cliTr("--name needs a value");
        } else if (a == QLatin1String("--from")) {
            if (!value(&from))
                return cliTr("--from needs a value");
            fromGiven = true;
        } else if (a == QLatin1String("--to")) {
            if (!value(&to))
                return cliTr("--to needs a value");
            toGiven = true;
        } else if (a == QLatin1String("--number")) {
            if (!value(&form.number))
                return cliTr("--number needs a value");
            if (!isNumberText(form.number))
                return QStringLiteral("%1 (--number %2)").arg(digitsOnlyText(), form.number);
        } else if (a == QLatin1String("--kinds")) {
            if (!value(&v))
                return cliTr("--kinds needs a value");
            form.incoming = form.outgoing = form.local = false;
            for (const QString &kind : v.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                const QString k = kind.trimmed();
                if (k == QLatin1String("in"))
                    form.incoming = true;
                else if (k == QLatin1String("out"))
                    form.outgoing = true;
                else if (k == QLatin1String("local"))
                    form.local = true;
                else
                    return cliTr("unknown kind: %1 (in, out, local)").arg(k);
            }
        } else if (a == QLatin1String("--min-seconds") || a == QLatin1String("--max-seconds")) {
            if (!value(&v))
                return cliTr("%1 needs a value").arg(a);
            const auto bound = parseSecondsBound(v);
            if (!bound)
                return invalidIntegerText(v);
            (a == QLatin1String("--min-seconds") ? form.minSeconds : form.maxSeconds) = *bound;
        } else if (!folderGiven && !a.startsWith(QLatin1Char('-'))) {
            form.folder = a;
            folderGiven = true;
        } else {
            return cliTr("unexpected argument: %1").arg(a);
        }
    }
    if (!folderGiven)
        return cliTr("give a FOLDER (see --help)");
    if (fromGiven != toGiven)
        return cliTr("--from and --to come together");
    if (fromGiven) {
        form.timeTicked = true;
        if (!parseRangeEnd(from, &form.startDate, &form.startTime))
            return cliTr("not a date and time (YYYY-MM-DD hh:mm[:ss]): %1").arg(from);
        if (!parseRangeEnd(to, &form.endDate, &form.endTime))
            return cliTr("not a date and time (YYYY-MM-DD hh:mm[:ss]): %1").arg(to);
    }
    return result;
}

} // namespace tovrel::cli
