#include "ExportOption.h"

#include "export/SpreadsheetExport.h"

#include <QTextStream>

namespace tovrel::cli {

std::optional<QString> takeExportOptions(QStringList &args, ExportRequest &request)
{
    const QString exportName = QStringLiteral("--export");
    const QString exportPrefix = QStringLiteral("--export=");
    QStringList rest;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--replace")) {
            request.replace = true;
        } else if (a == exportName) {
            if (i + 1 >= args.size() || args[i + 1].isEmpty())
                return QStringLiteral("--export needs a PATH");
            request.path = args[++i];
        } else if (a.startsWith(exportPrefix)) {
            request.path = a.mid(exportPrefix.size());
            if (request.path.isEmpty())
                return QStringLiteral("--export needs a PATH");
        } else {
            rest.append(a);
        }
    }
    if (request.replace && !request.requested())
        return QStringLiteral("--replace goes with --export PATH");
    // The format follows the extension: any other name would get a workbook it does not announce.
    if (request.requested() && !request.path.endsWith(QLatin1String(".xls"), Qt::CaseInsensitive) &&
        !request.path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive))
        return QStringLiteral("--export PATH ends in .xls or .xlsx: ") + request.path;
    args = rest;
    return std::nullopt;
}

int writeListExport(const ReportModel &list, const ExportRequest &request)
{
    QTextStream err(stderr);
    const ExportResult result =
        ExportListToSpreadsheet(list, listFont(), request.path, [&err, &request] {
            // --replace is the answer given beforehand; without it the question is shown
            // unanswered, followed by the abandonment.
            if (!request.replace)
                err << exporttext::existingFileQuestion() << '\n';
            return request.replace;
        });
    err << result.text << '\n';
    return result.outcome == ExportOutcome::Finished ? 0 : 1;
}

} // namespace tovrel::cli
