// Spreadsheet export: a telephone list of ROWS rows × 7 columns written to an Excel 97-2003
// workbook and to an .xlsx workbook, the whole export (sheet building, file writing, the rename
// over the target) in rows per second. Best of ROUNDS rounds, formats interleaved.
//
// bench_export [ROWS [ROUNDS]]   (default 20000 rows, 5 rounds)

#include "export/SpreadsheetExport.h"
#include "report/RecordingColumns.h"
#include "report/ReportModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

using namespace tovrel;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int rows = args.size() > 1 ? args[1].toInt() : 20000;
    const int rounds = args.size() > 2 ? args[2].toInt() : 5;
    QTextStream out(stdout);

    ReportModel list;
    QList<ReportColumn> columns;
    for (const QString &caption : recordingListCaptions())
        columns.append({caption});
    list.setColumns(columns);
    QList<ReportRow> data;
    data.reserve(rows);
    const QString kinds[] = {QString::fromUtf8("来电"), QString::fromUtf8("去电"),
                             QString::fromUtf8("录音")};
    for (int r = 0; r < rows; ++r) {
        const QString number = QStringLiteral("0%1").arg(1380013800 + r);
        data.append({{QString::number(r + 1),
                      QStringLiteral("1224%1_%2_%3.spx")
                          .arg(r % 2400, 4, 10, QLatin1Char('0'))
                          .arg(r + 1, 4, 10, QLatin1Char('0'))
                          .arg(number),
                      number,
                      QString::fromUtf8(" 12月24日 %1:%2 ")
                          .arg(r % 24, 2, 10, QLatin1Char('0'))
                          .arg(r % 60, 2, 10, QLatin1Char('0')),
                      kinds[r % 3], QStringLiteral("%1K").arg(r % 900 + 1),
                      QString::fromUtf8("%1分%2秒").arg(r % 15).arg(r % 60)},
                     r});
    }
    list.appendRows(std::move(data));

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_export: no temporary folder\n");
        return 1;
    }
    const QString names[] = {QStringLiteral("list.xls"), QStringLiteral("list.xlsx")};
    double best[2] = {0, 0};
    qint64 sizes[2] = {0, 0};
    for (int round = 0; round < rounds; ++round) {
        for (int f = 0; f < 2; ++f) {
            const QString path = dir.filePath(names[f]);
            QElapsedTimer timer;
            timer.start();
            const ExportResult result =
                ExportListToSpreadsheet(list, listFont(), path, [] { return true; });
            const qint64 ns = timer.nsecsElapsed();
            if (result.outcome != ExportOutcome::Finished) {
                std::fprintf(stderr, "bench_export: %s\n", qPrintable(result.text));
                return 1;
            }
            best[f] = std::max(best[f], rows / (double(ns) / 1e9));
            sizes[f] = QFileInfo(path).size();
        }
    }
    out << "rows: " << rows << " x 7 columns, best of " << rounds << " rounds\n";
    for (int f = 0; f < 2; ++f)
        out << names[f] << ": " << qint64(best[f]) << " rows/s (" << sizes[f] << " bytes)\n";
    return 0;
}
