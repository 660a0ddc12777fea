#include "ListExport.h"

#include "BusyPump.h"
#include "MessageSink.h"
#include "ReportListView.h"

#include "export/RecordingsExport.h"
#include "export/SpreadsheetExport.h"
#include "notes/NoteColumn.h"
#include "report/ReportModel.h"

#include <QCoreApplication>
#include <QFontInfo>
#include <QThread>
#include <QWidget>

#include <memory>

namespace tovrel {

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

// The question from the export's thread: asked on the window thread, the thread waiting for the
// answer.
bool askReplaceFromWorker(MessageSink &messages)
{
    bool replace = false;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&] { replace = askReplace(messages); },
        Qt::BlockingQueuedConnection);
    return replace;
}

// Runs `work` on a thread of its own, the windows painting and their timers running meanwhile
// (their input refused), and returns when it has ended. Files are written and synced there, so
// a slow disk or share never holds the window thread.
void runBesideWindows(const std::function<void()> &work)
{
    std::unique_ptr<QThread> thread(QThread::create(work));
    thread->setObjectName(QStringLiteral("ListExport"));
    BusyPump pump;
    thread->start();
    pump.pumpUntilFinished(*thread);
    thread->wait();
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
    const SheetFont font = sheetFontOf(&list);
    ExportResult result;
    runBesideWindows([&] {
        result = ExportListToSpreadsheet(model, font, path,
                                         [&messages] { return askReplaceFromWorker(messages); });
    });
    return showResult(messages, result);
}

bool exportListWithRecordingsWithMessages(MessageSink &messages, const ReportListView &list,
                                          const QString &path,
                                          const RecordingsExportRequest &request)
{
    // The thread works on its own copy of the list; the question is the window's.
    ReportModel model;
    if (list.reportModel())
        copyListForExport(*list.reportModel(), model);
    const SheetFont font = sheetFontOf(&list);
    ExportResult result;
    runBesideWindows([&] {
        result = ExportListWithRecordings(model, font, path, request,
                                          [&messages] { return askReplaceFromWorker(messages); });
    });
    return showResult(messages, result);
}

} // namespace tovrel
