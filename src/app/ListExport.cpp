#include "ListExport.h"

#include "MessageSink.h"
#include "ReportListView.h"

#include "export/SpreadsheetExport.h"
#include "report/ReportModel.h"

#include <QFontInfo>
#include <QWidget>

namespace tovrel {

SheetFont sheetFontOf(const QWidget *list)
{
    const QFont font = list->font();
    const double points =
        font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 72.0 / 96.0;
    return {font.families().value(0, font.family()), points};
}

bool exportListWithMessages(MessageSink &messages, const ReportListView &list, const QString &path)
{
    static const ReportModel noList;
    const ReportModel &model = list.reportModel() ? *list.reportModel() : noList;
    const ExportResult result =
        ExportListToSpreadsheet(model, sheetFontOf(&list), path, [&messages] {
            return messages.show({exporttext::existingFileCaption(),
                                  exporttext::existingFileQuestion(), MessageIcon::Warning,
                                  MessageButtons::OkCancel}) == MessageAnswer::Ok;
        });
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

} // namespace tovrel
