#include "ExportOption.h"
#include "AudioOption.h"
#include "CliText.h"
#include "ContactsOption.h"

#include "export/RecordingsExport.h"
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
                return cliTr("--export needs a PATH");
            request.path = args[++i];
        } else if (a.startsWith(exportPrefix)) {
            request.path = a.mid(exportPrefix.size());
            if (request.path.isEmpty())
                return cliTr("--export needs a PATH");
        } else {
            rest.append(a);
        }
    }
    if (request.replace && !request.requested())
        return cliTr("--replace goes with --export PATH");
    // The format follows the extension: any other name would get a workbook it does not announce.
    if (request.requested() && !request.path.endsWith(QLatin1String(".xls"), Qt::CaseInsensitive) &&
        !request.path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive))
        return cliTr("--export PATH ends in .xls or .xlsx: %1").arg(request.path);
    args = rest;
    return std::nullopt;
}

std::optional<QString> takeRecordingOptions(QStringList &args, ExportRequest &request)
{
    bool formatGiven = false;
    if (const auto error = takeAudioOptions(args, request.format, &formatGiven))
        return error;
    const bool bitrateGiven = request.format.bitrateKbps > 0;
    QStringList rest;
    for (const QString &a : std::as_const(args)) {
        if (a == QLatin1String("--with-audio"))
            request.withRecordings = true;
        else if (a == QLatin1String("--wav"))
            request.wav = true;
        else
            rest.append(a);
    }
    if (request.withRecordings && !request.requested())
        return cliTr("--with-audio goes with --export PATH");
    if (request.wav && formatGiven && request.format.format != AudioFormat::Wav)
        return cliTr("--wav and --format %1: choose one").arg(formatName(request.format.format));
    if (request.wav && !request.withRecordings)
        return cliTr("--wav goes with --with-audio");
    if ((formatGiven || bitrateGiven) && !request.withRecordings)
        return cliTr("--format and --bitrate go with --with-audio");
    request.wav = request.wav || formatGiven;
    args = rest;
    return std::nullopt;
}

int writeListExport(const ReportModel &list, const ExportRequest &request)
{
    QTextStream err(stderr);
    // --replace is the answer given beforehand; without it the question is shown unanswered,
    // followed by the abandonment.
    const auto replace = [&err, &request] {
        if (!request.replace)
            err << exporttext::existingFileQuestion() << '\n';
        return request.replace;
    };
    RecordingsExportRequest recordings;
    recordings.wav = request.wav;
    recordings.format = request.format;
    // The contact book names the calls in the converted files' tags; a WAV has none.
    if (request.wav && request.format.format != AudioFormat::Wav) {
        auto book = loadUserContactBook("tovrel");
        if (!book)
            return 1;
        recordings.contacts = std::make_shared<const ContactBook>(std::move(*book));
    }
    const ExportResult result =
        request.withRecordings
            ? ExportListWithRecordings(list, listFont(), request.path, recordings, replace)
            : ExportListToSpreadsheet(list, listFont(), request.path, replace);
    err << result.text << '\n';
    return result.outcome == ExportOutcome::Finished ? 0 : 1;
}

} // namespace tovrel::cli
