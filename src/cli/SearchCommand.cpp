#include "Commands.h"
#include "ExportOption.h"
#include "TableOutput.h"

#include "report/ReportModel.h"
#include "search/SearchScan.h"

#include <QTextStream>

#include <variant>

namespace tovrel::cli {
namespace {

void printSearchHelp(QTextStream &out)
{
    out << HelpPage({"tovrel search FOLDER [OPTION...]"})
               .paragraph("Searches FOLDER and five levels of sub-folders for recording files "
                          "(*.spx) as the\n"
                          "search window does, and prints the rows found, tab-separated: 文件名,\n"
                          "电话号码, 时间, 时长, 属性, 文件路径. The count line goes to stderr.")
               .section("Options",
                        {{"--from, --to",
                          "the date-and-time range (both or neither), YYYY-MM-DD hh:mm[:ss]"},
                         {"--number TEXT", "numbers holding TEXT anywhere"},
                         {"--kinds LIST",
                          "kinds ticked, of in,out,local (all when absent, \"\" for none)"},
                         {"--min-seconds N", "shortest duration in seconds (0: no bound)"},
                         {"--max-seconds N", "longest duration in seconds (0: no bound)"},
                         {"--header", "print the column captions first"},
                         kExportEntry,
                         kReplaceEntry,
                         kHelpEntry})
               .paragraph("Exit status 0 when the search ran (also when nothing passed), 1 when it "
                          "was refused.")
               .text();
}

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

int runSearch(const QStringList &arguments)
{
    using namespace tovrel::search;
    QTextStream out(stdout);
    QTextStream err(stderr);
    auto fail = [&err](const QString &text) {
        err << "tovrel search: " << text << '\n';
        return 1;
    };
    QStringList args = arguments;
    ExportRequest exportRequest;
    if (const auto error = takeExportOptions(args, exportRequest))
        return fail(*error);

    SearchForm form;
    bool folderGiven = false;
    bool header = false;
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
            printSearchHelp(out);
            return 0;
        } else if (a == QLatin1String("--header")) {
            header = true;
        } else if (a == QLatin1String("--from")) {
            if (!value(&from))
                return fail(QStringLiteral("--from needs a value"));
            fromGiven = true;
        } else if (a == QLatin1String("--to")) {
            if (!value(&to))
                return fail(QStringLiteral("--to needs a value"));
            toGiven = true;
        } else if (a == QLatin1String("--number")) {
            if (!value(&form.number))
                return fail(QStringLiteral("--number needs a value"));
        } else if (a == QLatin1String("--kinds")) {
            if (!value(&v))
                return fail(QStringLiteral("--kinds needs a value"));
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
                    return fail(QStringLiteral("unknown kind: %1 (in, out, local)").arg(k));
            }
        } else if (a == QLatin1String("--min-seconds") || a == QLatin1String("--max-seconds")) {
            if (!value(&v))
                return fail(QStringLiteral("%1 needs a value").arg(a));
            const auto bound = parseSecondsBound(v);
            if (!bound)
                return fail(invalidIntegerText(v));
            (a == QLatin1String("--min-seconds") ? form.minSeconds : form.maxSeconds) = *bound;
        } else if (!folderGiven && !a.startsWith(QLatin1Char('-'))) {
            form.folder = a;
            folderGiven = true;
        } else {
            return fail(QStringLiteral("unexpected argument: %1").arg(a));
        }
    }
    if (!folderGiven)
        return fail(QStringLiteral("give a FOLDER (see --help)"));
    if (fromGiven != toGiven)
        return fail(QStringLiteral("--from and --to come together"));
    if (fromGiven) {
        form.timeTicked = true;
        if (!parseRangeEnd(from, &form.startDate, &form.startTime))
            return fail(
                QStringLiteral("not a date and time (YYYY-MM-DD hh:mm[:ss]): %1").arg(from));
        if (!parseRangeEnd(to, &form.endDate, &form.endTime))
            return fail(QStringLiteral("not a date and time (YYYY-MM-DD hh:mm[:ss]): %1").arg(to));
    }

    const auto prepared = prepareSearch(form);
    if (const QString *refusal = std::get_if<QString>(&prepared)) {
        err << *refusal << '\n';
        return 1;
    }
    const SearchCriteria &criteria = std::get<SearchCriteria>(prepared);

    // With --export the rows go into a list like the search window's, written as a workbook
    // once the whole tree has been searched; otherwise they are printed as they are found.
    ReportModel results;
    QList<ReportRow> found;
    if (exportRequest.requested()) {
        QList<ReportColumn> columns;
        for (const QString &caption : resultCaptions())
            columns.append({caption});
        results.setColumns(columns);
    } else if (header) {
        out << resultCaptions().join(QLatin1Char('\t')) << '\n';
    }
    SearchHooks hooks;
    hooks.found = [&](const SearchHit &hit) {
        QStringList cells = resultCells(hit.fileName, hit.folder, hit.header);
        if (exportRequest.requested())
            found.append({std::move(cells), hit.path()});
        else
            out << tableRow(cells) << '\n';
    };
    hooks.openFailed = [&err](const QString &path, const QString &reason) {
        err << openFailedText() << " (" << path << ": " << reason << ")\n";
    };
    hooks.folderFailed = [&err](const QString &folder, const QString &reason) {
        err << "tovrel search: folder left out (" << folder << ": " << reason << ")\n";
    };
    const SearchCounts counts = runSearchScan(criteria, hooks);
    out.flush();
    if (out.status() != QTextStream::Ok) {
        err << "tovrel search: the rows could not be written\n";
        return 1;
    }
    if (counts.total == 0)
        err << nothingFoundText() << '\n';
    err << statusText(counts) << '\n';
    if (!exportRequest.requested())
        return 0;
    // As the export dialog does, an empty result is not exported.
    if (found.isEmpty()) {
        err << QString::fromUtf8("列表空！") << '\n';
        return 1;
    }
    results.appendRows(std::move(found));
    err.flush();
    return writeListExport(results, exportRequest);
}

} // namespace tovrel::cli
