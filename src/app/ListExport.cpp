#include "ListExport.h"

#include "BusyPump.h"
#include "MessageSink.h"
#include "ReportListView.h"

#include "export/RecordingsExport.h"
#include "export/SpreadsheetExport.h"
#include "notes/NoteColumn.h"
#include "report/ReportModel.h"

#include <QDeadlineTimer>
#include <QFontInfo>
#include <QThread>
#include <QWidget>

#include <memory>

namespace tovrel {
namespace {
// How often the windows paint while the recordings are written.
constexpr int kPumpIntervalMs = 50;
} // namespace

SheetFont sheetFontOf(const QWidget *list)
{
    const QFont font = list->font();
    const double points =
        font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 72.0 / 96.0;
    return {font.families().value(0, font.family()), points};
}

namespace {

bool askReplace(MessageSink &messages)
{
    return messages.show({exporttext::existingFileCaption(), exporttext::existingFileQuestion(),
                          MessageIcon::Warning, MessageButtons::OkCancel}) == MessageAnswer::Ok;
}

bool showResult(MessageSink &messages, const ExportResult &result)
{
    switch (result.outcome) {
    case ExportOutcome::Finished:
        messages.show({exporttext::finishedCaption(), result.text, MessageIcon::Information,
                       MessageButtons::Ok});
        return true;
    case ExportOutcome::Abandoned:
        messages.warn(result.text);
        return false;
    case ExportOutcome::Failed:
        messages.show(
            {exporttext::failureCaption(), result.text, MessageIcon::Error, MessageButtons::Ok});
        return false;
    }
    return false;
}

} // namespace

bool exportListWithMessages(MessageSink &messages, const ReportListView &list, const QString &path)
{
    // The 备注 column goes into the workbook when a row has a note.
    ReportModel model;
    if (list.reportModel())
        copyListForExport(*list.reportModel(), model);
    return showResult(messages,
                      ExportListToSpreadsheet(model, sheetFontOf(&list), path,
                                              [&messages] { return askReplace(messages); }));
}

bool exportListWithRecordingsWithMessages(MessageSink &messages, const ReportListView &list,
                                          const QString &path,
                                          const RecordingsExportRequest &request)
{
    // The question is the window's: asked here, before the thread starts.
    if (exportTargetsExist(path, true) && !askReplace(messages))
        return showResult(messages, {ExportOutcome::Abandoned, exporttext::abandoned()});
    // The thread works on its own copy of the list.
    ReportModel model;
    if (list.reportModel())
        copyListForExport(*list.reportModel(), model);
    const SheetFont font = sheetFontOf(&list);
    ExportResult result;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        result = ExportListWithRecordings(model, font, path, request, [] { return true; });
    }));
    BusyPump pump;
    thread->start();
    while (!thread->wait(QDeadlineTimer(kPumpIntervalMs)))
        pump.pump();
    return showResult(messages, result);
}

} // namespace tovrel
